#include <gtest/gtest.h>

#include "http/url.hpp"
#include "support/case_name.hpp"

using namespace norvi::client::http;

namespace {

struct GoodUrl {
  std::string input;
  std::string text;  // what libcurl is given
  std::string host;
  std::uint16_t port;
};

class ParseUrl : public testing::TestWithParam<GoodUrl> {};

TEST_P(ParseUrl, Normalises) {
  const auto url = parse_url(GetParam().input);
  ASSERT_TRUE(url) << url.error().text();
  EXPECT_EQ(url->text, GetParam().text);
  EXPECT_EQ(url->host, GetParam().host);
  EXPECT_EQ(url->port, GetParam().port);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseUrl,
    testing::Values(
        GoodUrl{"https://127.0.0.1:5000/zelm-auth/oauth2/sdk/opnId", "https://127.0.0.1:5000/zelm-auth/oauth2/sdk/opnId",
                "127.0.0.1", 5000},
        GoodUrl{"https://localhost:5000", "https://localhost:5000/", "localhost", 5000},
        GoodUrl{"https://B\xc3\xbc" "cher.example/x", "https://xn--bcher-kva.example/x", "xn--bcher-kva.example", 443},
        GoodUrl{"https://B\xc3\x9c" "CHER.EXAMPLE/", "https://xn--bcher-kva.example/", "xn--bcher-kva.example", 443},
        GoodUrl{"https://B%C3%BCcher.example/", "https://xn--bcher-kva.example/", "xn--bcher-kva.example", 443},
        GoodUrl{"HTTPS://Quantum.Example.COM:443/a", "https://quantum.example.com/a", "quantum.example.com", 443},
        GoodUrl{"http://0x7f.1:8/", "http://127.0.0.1:8/", "127.0.0.1", 8},
        GoodUrl{"https://[::1]:5000/p", "https://[::1]:5000/p", "[::1]", 5000},
        GoodUrl{"https://h/config/brevora 311", "https://h/config/brevora%20311", "h", 443}),
    norvi::testing::named_by([](const GoodUrl& c) { return std::string_view(c.input); }));

struct BadUrl {
  std::string input;
  std::string text;
};

class RejectUrl : public testing::TestWithParam<BadUrl> {};

TEST_P(RejectUrl, IsABuilderError) {
  const auto url = parse_url(GetParam().input);
  ASSERT_FALSE(url) << url->text;
  EXPECT_EQ(url.error().kind(), HttpError::Kind::Builder);
  EXPECT_EQ(url.error().text(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RejectUrl,
    testing::Values(BadUrl{"https://a b.example/", "builder error: invalid domain character"},
                    BadUrl{"https://a|b.example/", "builder error: invalid domain character"},
                    BadUrl{"https://a%20b.example/", "builder error: invalid domain character"},
                    BadUrl{"https://a%25b.example/", "builder error: invalid domain character"},
                    BadUrl{"https://a^b/", "builder error: invalid domain character"},
                    BadUrl{std::string("https://exa\0mple/", 17), "builder error: URL contains a NUL byte"},
                    BadUrl{std::string("https://h/a\0b", 13), "builder error: URL contains a NUL byte"},
                    BadUrl{"https://h/a\nb", "builder error: Bad path"},
                    BadUrl{"https://xn--a\xc3\xbc.example/", "builder error: invalid international domain name"},
                    BadUrl{"ftp://h/", "builder error: URL scheme is not allowed"},
                    BadUrl{"/zelm-auth/oauth2/sdk/opnId", "builder error: relative URL without a base"},
                    BadUrl{"https://h:99999/", "builder error: invalid port number"},
                    BadUrl{"https://:5/", "builder error: empty host"}),
    norvi::testing::named_by([](const BadUrl& c) { return std::string_view(c.input); }));

// Every forbidden domain code point fails, also when it arrives percent-encoded.
TEST(DomainToAscii, RejectsForbiddenCodePoints) {
  const std::string forbidden[] = {" ", "#", "%", "/", ":", "<", ">", "?", "@", "[", "\\", "]", "^", "|",
                                   std::string(1, '\0'), "\t", "\n", "\r", "\x01", "\x1f", "\x7f"};
  for (const std::string& c : forbidden) {
    EXPECT_FALSE(domain_to_ascii("a" + c + "b.example")) << static_cast<int>(c[0]);
    if (c != "%") {
      char encoded[4];
      std::snprintf(encoded, sizeof encoded, "%%%02X", static_cast<unsigned char>(c[0]));
      EXPECT_FALSE(domain_to_ascii(std::string("a") + encoded + "b.example")) << encoded;
    }
  }
  EXPECT_EQ(domain_to_ascii("Bücher.example"), "xn--bcher-kva.example");
  EXPECT_EQ(domain_to_ascii("Foo_Bar.example"), "foo_bar.example");
}

TEST(ParseUrl, DisplayHidesThePassword) {
  const auto url = parse_url("https://user:secret@h/x");
  ASSERT_TRUE(url);
  EXPECT_EQ(url->display, "https://user@h/x");
  EXPECT_EQ(url->text, "https://user:secret@h/x");
}

struct Resolution {
  std::string location;
  std::string text;
};

class ResolveUrl : public testing::TestWithParam<Resolution> {};

TEST_P(ResolveUrl, AgainstBase) {
  const auto base = parse_url("https://127.0.0.1:5000/zelm-quantum/sdk/list?x=1");
  ASSERT_TRUE(base);
  const auto url = resolve_url(*base, GetParam().location);
  ASSERT_TRUE(url) << url.error().text();
  EXPECT_EQ(url->text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, ResolveUrl,
                         testing::Values(Resolution{"/other", "https://127.0.0.1:5000/other"},
                                         Resolution{"next", "https://127.0.0.1:5000/zelm-quantum/sdk/next"},
                                         Resolution{"//localhost:5000/p", "https://localhost:5000/p"},
                                         Resolution{"http://localhost:7/", "http://localhost:7/"},
                                         Resolution{"https://B\xc3\xbc" "cher.example/", "https://xn--bcher-kva.example/"}),
                         norvi::testing::named_by([](const Resolution& c) { return std::string_view(c.location); }));

TEST(ResolveUrl, RejectsAForbiddenHost) {
  const auto base = parse_url("https://127.0.0.1:5000/");
  ASSERT_TRUE(base);
  EXPECT_FALSE(resolve_url(*base, "https://a b/"));
}

TEST(SameOrigin, ComparesSchemeHostAndPort) {
  auto url = [](const char* text) { return *parse_url(text); };
  EXPECT_TRUE(same_origin(url("https://127.0.0.1:5000/a"), url("https://127.0.0.1:5000/b?c")));
  EXPECT_TRUE(same_origin(url("https://H.example/"), url("https://h.example:443/")));
  EXPECT_FALSE(same_origin(url("https://127.0.0.1:5000/"), url("https://localhost:5000/")));
  EXPECT_FALSE(same_origin(url("https://h:5000/"), url("https://h:5001/")));
  EXPECT_FALSE(same_origin(url("https://h:80/"), url("http://h:80/")));
}

}  // namespace
