#include <gtest/gtest.h>

#include <map>

#include "http/proxy.hpp"

using namespace norvi::client::http;

namespace {

struct ProxyCase {
  const char* name;
  std::map<std::string, std::string> env;
  const char* scheme;
  ProxyChoice expected;
};

class ChooseProxy : public testing::TestWithParam<ProxyCase> {};

TEST_P(ChooseProxy, FromEnvironment) {
  const auto& env = GetParam().env;
  const ProxyChoice choice = choose_proxy(GetParam().scheme, [&](const char* name) -> std::optional<std::string> {
    auto it = env.find(name);
    if (it == env.end()) return std::nullopt;
    return it->second;
  });
  EXPECT_EQ(choice.proxy, GetParam().expected.proxy);
  EXPECT_EQ(choice.no_proxy, GetParam().expected.no_proxy);
}

const char* const kP = "http://127.0.0.1:3128";
const char* const kQ = "http://127.0.0.1:3129";

INSTANTIATE_TEST_SUITE_P(
    Table, ChooseProxy,
    testing::Values(
        ProxyCase{"nothing_set", {}, "https", {"", ""}},
        ProxyCase{"https_upper", {{"HTTPS_PROXY", kP}}, "https", {kP, ""}},
        ProxyCase{"https_lower", {{"https_proxy", kP}}, "https", {kP, ""}},
        ProxyCase{"upper_before_lower", {{"HTTPS_PROXY", kP}, {"https_proxy", kQ}}, "https", {kP, ""}},
        ProxyCase{"empty_upper_counts_as_unset", {{"HTTPS_PROXY", ""}, {"https_proxy", kQ}}, "https", {kQ, ""}},
        ProxyCase{"all_proxy_fallback", {{"ALL_PROXY", kQ}}, "https", {kQ, ""}},
        ProxyCase{"all_proxy_lower", {{"all_proxy", kQ}}, "http", {kQ, ""}},
        ProxyCase{"https_before_all", {{"HTTPS_PROXY", kP}, {"ALL_PROXY", kQ}}, "https", {kP, ""}},
        ProxyCase{"http_proxy_not_for_https", {{"HTTP_PROXY", kP}}, "https", {"", ""}},
        ProxyCase{"https_proxy_not_for_http", {{"HTTPS_PROXY", kP}}, "http", {"", ""}},
        ProxyCase{"http_upper", {{"HTTP_PROXY", kP}}, "http", {kP, ""}},
        ProxyCase{"http_lower", {{"http_proxy", kP}}, "http", {kP, ""}},
        ProxyCase{"cgi_ignores_http_proxy", {{"HTTP_PROXY", kP}, {"REQUEST_METHOD", "GET"}}, "http", {"", ""}},
        ProxyCase{"cgi_ignores_lower_http_proxy", {{"http_proxy", kP}, {"REQUEST_METHOD", ""}}, "http", {"", ""}},
        ProxyCase{"cgi_keeps_all_proxy", {{"HTTP_PROXY", kP}, {"ALL_PROXY", kQ}, {"REQUEST_METHOD", "GET"}}, "http",
                  {kQ, ""}},
        ProxyCase{"cgi_keeps_https_proxy", {{"HTTPS_PROXY", kP}, {"REQUEST_METHOD", "GET"}}, "https", {kP, ""}},
        ProxyCase{"no_proxy_upper", {{"HTTPS_PROXY", kP}, {"NO_PROXY", "127.0.0.1"}, {"no_proxy", "x"}}, "https",
                  {kP, "127.0.0.1"}},
        ProxyCase{"no_proxy_lower", {{"HTTPS_PROXY", kP}, {"no_proxy", "localhost"}}, "https", {kP, "localhost"}},
        ProxyCase{"no_proxy_empty_upper", {{"NO_PROXY", ""}, {"no_proxy", "*"}}, "https", {"", "*"}}),
    [](const testing::TestParamInfo<ProxyCase>& info) { return std::string(info.param.name); });

}  // namespace
