#include "platform/linux/x11_windows.h"

#include <signal.h>
#include <unistd.h>
#include <xcb/res.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

#include "game/registry_port.h"

namespace lobbyfind::platform {
namespace {

// Window managers put clients in frames: look two levels below the root.
constexpr int kSearchDepth = 3;

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

struct ConnectionDeleter {
  void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
using Connection = std::unique_ptr<xcb_connection_t, ConnectionDeleter>;

class Search {
 public:
  explicit Search(xcb_connection_t* connection) : c_(connection) {
    net_wm_name_ = Atom("_NET_WM_NAME");
    net_client_list_ = Atom("_NET_CLIENT_LIST");
    net_wm_pid_ = Atom("_NET_WM_PID");
  }

  // The first window with this title (ignoring case) that `accept` takes.
  std::optional<xcb_window_t> Find(std::string_view title, const std::function<bool(xcb_window_t)>& accept) {
    const Wanted wanted{game::FoldCase(title), accept};
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c_));
    for (; screens.rem > 0; xcb_screen_next(&screens)) {
      const xcb_window_t root = screens.data->root;
      if (auto found = FirstOf(WindowList(root, net_client_list_), wanted)) return found;
      if (auto found = Walk(root, wanted, kSearchDepth)) return found;
    }
    return std::nullopt;
  }

  // The owner's pid: _NET_WM_PID when the window names it, else what the
  // X server knows of the client that created the window.
  std::optional<pid_t> Owner(xcb_window_t window) {
    if (const auto pids = Cardinals(window, net_wm_pid_); !pids.empty() && pids[0] > 0) {
      return static_cast<pid_t>(pids[0]);
    }
    xcb_res_client_id_spec_t client_query{window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    Reply<xcb_res_query_client_ids_reply_t> reply(
        xcb_res_query_client_ids_reply(c_, xcb_res_query_client_ids(c_, 1, &client_query), nullptr));
    if (!reply) return std::nullopt;
    for (auto ids = xcb_res_query_client_ids_ids_iterator(reply.get()); ids.rem > 0;
         xcb_res_client_id_value_next(&ids)) {
      // Each value starts with the client id it answers, then its length.
      const auto& [client_id, length] = *ids.data;
      if ((client_id.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) != 0 && length >= 1) {
        return static_cast<pid_t>(*xcb_res_client_id_value_value(ids.data));
      }
    }
    return std::nullopt;
  }

 private:
  struct Wanted {
    std::string title;  // folded
    const std::function<bool(xcb_window_t)>& accept;
  };

  xcb_atom_t Atom(const char* name) {
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c_, xcb_intern_atom(c_, 1, static_cast<std::uint16_t>(std::string_view(name).size()), name), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  }

  std::vector<std::uint32_t> Cardinals(xcb_window_t window, xcb_atom_t property) {
    if (property == XCB_ATOM_NONE) return {};
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c_, xcb_get_property(c_, 0, window, property, XCB_ATOM_ANY, 0, 4096), nullptr));
    if (!reply || reply->format != 32) return {};
    const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return {data, data + xcb_get_property_value_length(reply.get()) / 4};
  }

  std::vector<xcb_window_t> WindowList(xcb_window_t root, xcb_atom_t property) {
    const auto ids = Cardinals(root, property);
    return {ids.begin(), ids.end()};
  }

  // A window's two titles, asked for and not yet read.
  struct TitleRequest {
    std::optional<xcb_get_property_cookie_t> net_wm_name;
    xcb_get_property_cookie_t wm_name;
  };

  TitleRequest AskTitles(xcb_window_t window) {
    TitleRequest request{std::nullopt, xcb_get_property(c_, 0, window, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 0, 1024)};
    if (net_wm_name_ != XCB_ATOM_NONE) {
      request.net_wm_name = xcb_get_property(c_, 0, window, net_wm_name_, XCB_ATOM_ANY, 0, 1024);
    }
    return request;
  }

  std::string TextOf(xcb_get_property_cookie_t cookie) {
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c_, cookie, nullptr));
    if (!reply || reply->format != 8) return {};
    const auto* data = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return std::string(data, static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
  }

  // Reads both answers (every request asked must be read or dropped).
  bool TitleMatches(const TitleRequest& request, const std::string& wanted) {
    const bool net = request.net_wm_name && game::FoldCase(TextOf(*request.net_wm_name)) == wanted;
    const bool plain = game::FoldCase(TextOf(request.wm_name)) == wanted;
    return net || plain;
  }

  void Drop(const TitleRequest& request) {
    if (request.net_wm_name) xcb_discard_reply(c_, request.net_wm_name->sequence);
    xcb_discard_reply(c_, request.wm_name.sequence);
  }

  // The first of `windows` with the title that `accept` takes; all titles
  // are asked for before the first answer is awaited.
  std::optional<xcb_window_t> FirstOf(const std::vector<xcb_window_t>& windows, const Wanted& wanted) {
    std::vector<TitleRequest> titles;
    titles.reserve(windows.size());
    for (const auto window : windows) titles.push_back(AskTitles(window));
    std::optional<xcb_window_t> found;
    for (std::size_t i = 0; i < windows.size(); ++i) {
      if (found) {
        Drop(titles[i]);
      } else if (TitleMatches(titles[i], wanted.title) && wanted.accept(windows[i])) {
        found = windows[i];
      }
    }
    return found;
  }

  std::optional<xcb_window_t> Walk(xcb_window_t parent, const Wanted& wanted, int depth) {
    return WalkTree(xcb_query_tree(c_, parent), wanted, depth);
  }

  // The children of one window are looked at in order, then below each in
  // order. All questions about a level go out together before the first
  // answer is awaited: a desktop of a few hundred windows then costs a few
  // round trips to the X server per level instead of one per question.
  std::optional<xcb_window_t> WalkTree(xcb_query_tree_cookie_t tree_request, const Wanted& wanted, int depth) {
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c_, tree_request, nullptr));
    if (!tree) return std::nullopt;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    const std::vector<xcb_window_t> level(children, children + count);
    std::vector<xcb_query_tree_cookie_t> subtrees;
    if (depth > 1) {
      subtrees.reserve(level.size());
      for (const auto child : level) subtrees.push_back(xcb_query_tree(c_, child));
    }
    std::optional<xcb_window_t> found = FirstOf(level, wanted);
    for (const auto& subtree : subtrees) {
      if (found) {
        xcb_discard_reply(c_, subtree.sequence);
      } else {
        found = WalkTree(subtree, wanted, depth - 1);
      }
    }
    return found;
  }

  xcb_connection_t* c_;
  xcb_atom_t net_wm_name_ = XCB_ATOM_NONE;
  xcb_atom_t net_client_list_ = XCB_ATOM_NONE;
  xcb_atom_t net_wm_pid_ = XCB_ATOM_NONE;
};

Connection Connect(const std::string& display) {
  const char* name = display.empty() ? std::getenv("DISPLAY") : display.c_str();
  if (name == nullptr || *name == '\0') return nullptr;
  Connection connection(xcb_connect(name, nullptr));
  if (xcb_connection_has_error(connection.get()) != 0) return nullptr;
  return connection;
}

// One process's file, e.g. "cmdline": its bytes, empty when unreadable.
std::string ProcFile(pid_t pid, const char* name) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The value of one variable in a process's environment.
std::optional<std::string> EnvironmentOf(pid_t pid, std::string_view variable) {
  const std::string environment = ProcFile(pid, "environ");
  std::size_t start = 0;
  while (start < environment.size()) {
    auto end = environment.find('\0', start);
    if (end == std::string::npos) end = environment.size();
    const std::string_view entry(environment.data() + start, end - start);
    if (entry.size() > variable.size() && entry.starts_with(variable) && entry[variable.size()] == '=') {
      return std::string(entry.substr(variable.size() + 1));
    }
    start = end + 1;
  }
  return std::nullopt;
}

// A Windows path ("C:\GTA2\gta2.exe") as the Linux path it names in the Wine
// prefix the process runs in, through the prefix's drive links; nothing when
// the drive is not mapped.
std::optional<std::string> LinuxPathOf(pid_t pid, const std::string& windows_path) {
  std::filesystem::path prefix;
  if (auto configured = EnvironmentOf(pid, "WINEPREFIX"); configured && !configured->empty()) {
    prefix = *configured;
  } else if (auto home = EnvironmentOf(pid, "HOME")) {
    prefix = std::filesystem::path(*home) / ".wine";
  } else {
    return std::nullopt;
  }
  const std::string drive = game::FoldCase(windows_path.substr(0, 2));
  std::error_code error;
  const auto root = std::filesystem::canonical(prefix / "dosdevices" / drive, error);
  if (error) return std::nullopt;
  std::string rest = windows_path.substr(2);
  for (char& c : rest) {
    if (c == '\\') c = '/';
  }
  return root.string() + rest;
}

// The names of the program a process runs: its executable, and for a Wine
// process (whose executable is Wine's loader) the Windows path Wine puts in
// its command line, as written and as the Linux file it names.
std::vector<std::string> ProgramsOf(pid_t pid) {
  std::vector<std::string> programs;
  std::error_code error;
  const auto exe = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error);
  if (!error) programs.push_back(exe.string());
  const std::string command_line = ProcFile(pid, "cmdline");
  const std::string first = command_line.substr(0, command_line.find('\0'));
  const bool windows_path = first.size() > 3 && first[1] == ':' && first[2] == '\\';
  if (windows_path) {
    programs.push_back(first);
    if (auto linux_path = LinuxPathOf(pid, first)) programs.push_back(*linux_path);
  }
  return programs;
}

}  // namespace

// The connection and the search over it, kept between calls.
struct X11Windows::Session {
  explicit Session(Connection c) : connection(std::move(c)), search(connection.get()) {}
  Connection connection;
  Search search;
};

X11Windows::X11Windows(std::string display) : display_(std::move(display)) {}

X11Windows::~X11Windows() = default;

bool X11Windows::EnsureConnected() {
  if (session_ && xcb_connection_has_error(session_->connection.get()) != 0) session_.reset();
  if (!session_) {
    auto connection = Connect(display_);
    if (!connection) return false;
    session_ = std::make_unique<Session>(std::move(connection));
  }
  return true;
}

std::optional<pid_t> X11Windows::FindGameWindowOwner(std::string_view title, const game::ProgramTest& is_game,
                                                     bool& found) {
  found = false;
  std::optional<pid_t> owner;
  // A kept connection may have broken since the last call (the X server
  // restarted): then the search is done once more on a new one.
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!EnsureConnected()) return std::nullopt;
    Search& search = session_->search;
    const auto window = search.Find(title, [&](xcb_window_t candidate) {
      const auto pid = search.Owner(candidate);
      if (!pid) return false;
      for (const auto& program : ProgramsOf(*pid)) {
        if (is_game(program)) {
          owner = pid;
          return true;
        }
      }
      return false;
    });
    found = window.has_value();
    if (xcb_connection_has_error(session_->connection.get()) == 0) break;
  }
  return owner;
}

bool X11Windows::IsWindowOpen(std::string_view title, const game::ProgramTest& is_game) {
  bool found = false;
  (void)FindGameWindowOwner(title, is_game, found);
  return found;
}

bool X11Windows::KillWindowProcess(std::string_view title, const game::ProgramTest& is_game) {
  bool found = false;
  const auto pid = FindGameWindowOwner(title, is_game, found);
  if (!found) return false;
  // Failing to end the owner still counts as found, as on Windows; the
  // program never ends itself or init.
  if (pid && *pid > 1 && *pid != getpid()) kill(*pid, SIGTERM);
  return true;
}

}  // namespace lobbyfind::platform
