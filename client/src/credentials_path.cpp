// Resolving a credentials path component by component. Each component is looked at with lstat in a
// directory already resolved, so no link is ever left for the kernel to follow; each link met is checked
// against the sticky-directory rule before its target takes its place in the rest of the path.

#include "credentials_path.hpp"

#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string_view>
#include <vector>

namespace norvi::client {
namespace {

// The kernel gives up on a walk that follows more links than this.
constexpr int kMaxLinks = 40;

// Where a component comes from: the path as given, or the target of a link that stands in the path's
// directory part or at its end. Only the directories of the path as given are ever made.
enum class From { path, directory_link, file_link };

struct Part {
  std::string name;
  From from;
  // The path's own parent directory, or a component of a link that stands for it: what is found there
  // instead of a directory is reported as making that directory would report it ("File exists").
  bool parent;
  // The "." that a final '/' stands for.
  bool final_slash = false;
};

// Pushes the components of `text` onto `todo` so that the first is taken next. Repeated slashes are
// one; a final '/' stands for a final ".", which makes the component before it a directory to enter.
void push_parts(std::vector<Part>& todo, std::string_view text, From from, bool parent) {
  std::vector<Part> parts;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('/', start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start) parts.push_back({std::string(text.substr(start, end - start)), from, parent});
    start = end + 1;
  }
  if (!text.empty() && text.back() == '/') parts.push_back({".", from, parent, true});
  for (auto part = parts.rbegin(); part != parts.rend(); ++part) todo.push_back(std::move(*part));
}

// The directory above `dir`, which holds resolved directories only, so that dropping its last name is
// what the kernel's ".." does.
std::string parent_of(std::string dir) {
  if (dir == "/") return dir;
  if (dir.empty() || dir.ends_with("../")) return dir + "../";
  dir.pop_back();
  dir.erase(dir.rfind('/') + 1);  // to "" when no '/' is left
  return dir;
}

// Whether a link in `dir` may be followed: not when another user planted it in a sticky, world-writable
// directory, unless that user owns the directory.
bool may_follow(const std::string& dir, const struct stat& link) {
  struct stat holder {};
  if (::stat(as_directory(dir), &holder) != 0) return false;
  const bool shared = (holder.st_mode & S_ISVTX) != 0 && (holder.st_mode & S_IWOTH) != 0;
  return !shared || link.st_uid == ::geteuid() || link.st_uid == holder.st_uid;
}

std::expected<std::string, int> read_link(const std::string& path, std::size_t size_hint) {
  std::vector<char> buffer(size_hint + 1 < 256 ? 256 : size_hint + 1);
  for (;;) {
    const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (n < 0) return std::unexpected(errno);
    if (static_cast<std::size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<std::size_t>(n));
    buffer.resize(buffer.size() * 2);  // the link changed since it was looked at, or its size was not told
  }
}

// Whether the text of the link `link`, standing in `dir`, names the file the kernel follows it to. Only
// links of the proc file system can lead elsewhere; the others lead where their text says.
std::expected<bool, int> text_names_target(const std::string& dir, const std::string& link, const std::string& text) {
  struct statfs holder {};
  if (::statfs(as_directory(dir), &holder) != 0) return std::unexpected(errno);
  if (holder.f_type != PROC_SUPER_MAGIC) return true;
  struct stat target {};
  if (::stat(link.c_str(), &target) != 0) return std::unexpected(errno);
  struct stat named {};
  const std::string by_text = text.front() == '/' ? text : dir + text;
  return ::stat(by_text.c_str(), &named) == 0 && named.st_dev == target.st_dev && named.st_ino == target.st_ino;
}

// The directories a write walk would make, while it only looks: each is taken as empty but for those
// planned in it, so that a link or ".." reaching one finds what the kernel would find once it is made.
class PlannedDirs {
 public:
  // The planned directory `name` in `at` (kReal: in the existing directory `dir`), or kNone.
  int find(int at, const std::string& dir, const std::string& name) const {
    struct stat holder {};
    if (at == kReal && (dirs_.empty() || ::stat(as_directory(dir), &holder) != 0)) return kNone;
    for (std::size_t i = 0; i < dirs_.size(); ++i) {
      const Planned& d = dirs_[i];
      if (d.parent == at && d.name == name && (at != kReal || (d.in_dev == holder.st_dev && d.in_ino == holder.st_ino)))
        return static_cast<int>(i);
    }
    return kNone;
  }
  std::expected<int, int> add(int at, const std::string& dir, const std::string& name) {
    struct stat holder {};
    if (at == kReal && ::stat(as_directory(dir), &holder) != 0) return std::unexpected(errno);
    dirs_.push_back({at, holder.st_dev, holder.st_ino, name});
    return static_cast<int>(dirs_.size() - 1);
  }
  int parent(int at) const { return dirs_[static_cast<std::size_t>(at)].parent; }

  static constexpr int kReal = -1;
  static constexpr int kNone = -2;

 private:
  struct Planned {
    int parent;  // kReal: it stands in an existing directory, the one of in_dev and in_ino
    dev_t in_dev;
    ino_t in_ino;
    std::string name;
  };
  std::vector<Planned> dirs_;
};

bool names_a_directory(std::string_view path) {
  const std::string_view last = path.substr(path.rfind('/') + 1);
  return last.empty() || last == "." || last == "..";
}

}  // namespace

std::expected<ResolvedPath, int> resolve_credentials_path(const std::string& path, PathUse use) {
  const auto failed = [](int err) { return std::unexpected(err); };
  if (path.empty()) return failed(ENOENT);
  if (path.size() >= PATH_MAX) return failed(ENAMETOOLONG);  // as any system call given this path
  // Opening such a path to create a file fails with EISDIR, whatever is there: fail before making any
  // of its directories.
  const bool writing = use != PathUse::read;
  if (writing && names_a_directory(path)) return failed(EISDIR);

  std::vector<Part> todo;
  push_parts(todo, path, From::path, false);
  if (todo.size() > 1) todo[1].parent = true;  // the part taken just before the last
  std::string dir = path.front() == '/' ? "/" : "";
  int links = 0;
  bool dirs_missing = false;
  PlannedDirs planned;
  int at = PlannedDirs::kReal;  // the planned directory `dir` stands for, when a write walk only looks

  while (!todo.empty()) {
    const Part part = std::move(todo.back());
    todo.pop_back();
    const bool last = todo.empty();
    // Opening anything with a final '/' to create a file fails so, before the kernel looks at it.
    if (writing && todo.size() == 1 && todo.back().final_slash) return failed(EISDIR);
    const std::string here = dir + part.name;

    struct stat st {};
    int found = PlannedDirs::kNone;  // the planned directory the component names
    if (at != PlannedDirs::kReal) {
      if (part.name == "." || part.name == "..") {
        if (last) return failed(EISDIR);
        if (part.name == "..") {
          at = planned.parent(at);
          dir = parent_of(std::move(dir));
        }
        continue;
      }
      if (part.name.size() > NAME_MAX || here.size() >= PATH_MAX) return failed(ENAMETOOLONG);
      found = planned.find(at, dir, part.name);
    } else if (::lstat(here.c_str(), &st) == 0) {
      found = PlannedDirs::kReal;
    } else {
      if (errno != ENOENT) return failed(errno);
      found = planned.find(at, dir, part.name);
    }
    if (found >= 0) {
      if (last) return failed(EISDIR);  // the file's name is that of a directory to be made
      at = found;
      dir = here + '/';
      continue;
    }

    if (found == PlannedDirs::kNone) {
      if (use == PathUse::read || (!last && part.from == From::file_link)) return failed(ENOENT);
      if (last) return ResolvedPath{std::move(dir), part.name, false, {}, dirs_missing, {}};
      // A link in the directory part that names nothing: making a directory there finds the link.
      if (part.from == From::directory_link) return failed(EEXIST);
      dirs_missing = true;
      if (use == PathUse::write) {  // the name's length was checked by lstat, or above in a planned directory
        const auto added = planned.add(at, dir, part.name);
        if (!added) return failed(added.error());
        at = *added;
        dir = here + '/';
        continue;
      }
      if (::mkdir(here.c_str(), 0777) != 0 && errno != EEXIST) return failed(errno);  // 0777 less the umask
      if (::lstat(here.c_str(), &st) != 0) return failed(errno);  // looked at again: someone may have been first
    }

    if (S_ISLNK(st.st_mode)) {
      if (links == kMaxLinks) return failed(ELOOP);
      ++links;
      if (!may_follow(dir, st)) return failed(EACCES);
      auto target = read_link(here, static_cast<std::size_t>(st.st_size));
      if (!target) return failed(target.error());
      if (target->empty()) return failed(ENOENT);
      const auto by_text = text_names_target(dir, here, *target);
      if (!by_text) return failed(by_text.error());
      if (!*by_text) {
        ResolvedPath behind{"", here, false, {}, dirs_missing, here};
        for (auto rest = todo.rbegin(); rest != todo.rend(); ++rest) behind.name += '/' + rest->name;
        if (use == PathUse::read) {
          if (::stat(behind.name.c_str(), &behind.st) != 0) return failed(errno);
          behind.exists = true;
        }
        return behind;
      }
      const From from = part.from != From::path ? part.from : last ? From::file_link : From::directory_link;
      push_parts(todo, *target, from, part.parent);
      if (target->front() == '/') dir = "/";
      continue;
    }
    if (last) return ResolvedPath{std::move(dir), part.name, true, st, dirs_missing, {}};
    if (!S_ISDIR(st.st_mode)) return failed(writing && part.parent ? EEXIST : ENOTDIR);
    if (part.name == "..") {
      dir = parent_of(std::move(dir));
    } else if (part.name != ".") {
      dir = here + '/';
    }
  }
  return failed(ENOENT);  // not reached: the last part returns
}

}  // namespace norvi::client
