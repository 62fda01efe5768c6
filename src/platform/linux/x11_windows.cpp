#include "platform/linux/x11_windows.h"

#include <signal.h>
#include <unistd.h>
#include <xcb/res.h>
#include <xcb/xcb.h>

#include <cstdlib>
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

  std::optional<xcb_window_t> Find(std::string_view title) {
    const auto wanted = game::FoldCase(title);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c_));
    for (; screens.rem > 0; xcb_screen_next(&screens)) {
      const xcb_window_t root = screens.data->root;
      for (const auto window : WindowList(root, net_client_list_)) {
        if (Titled(window, wanted)) return window;
      }
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
  xcb_atom_t Atom(const char* name) {
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c_, xcb_intern_atom(c_, 1, static_cast<std::uint16_t>(std::string_view(name).size()), name), nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
  }

  std::string Property(xcb_window_t window, xcb_atom_t property, xcb_atom_t type) {
    if (property == XCB_ATOM_NONE) return {};
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c_, xcb_get_property(c_, 0, window, property, type, 0, 1024), nullptr));
    if (!reply || reply->format != 8) return {};
    const auto* data = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return std::string(data, static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
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

  bool Titled(xcb_window_t window, const std::string& wanted) {
    // _NET_WM_NAME is UTF-8, WM_NAME Latin-1; both match an ASCII title alike.
    return game::FoldCase(Property(window, net_wm_name_, XCB_ATOM_ANY)) == wanted ||
           game::FoldCase(Property(window, XCB_ATOM_WM_NAME, XCB_ATOM_ANY)) == wanted;
  }

  std::optional<xcb_window_t> Walk(xcb_window_t parent, const std::string& wanted, int depth) {
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c_, xcb_query_tree(c_, parent), nullptr));
    if (!tree) return std::nullopt;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    for (int i = 0; i < count; ++i) {
      if (Titled(children[i], wanted)) return children[i];
    }
    if (depth > 1) {
      for (int i = 0; i < count; ++i) {
        if (auto found = Walk(children[i], wanted, depth - 1)) return found;
      }
    }
    return std::nullopt;
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

}  // namespace

X11Windows::X11Windows(std::string display) : display_(std::move(display)) {}

bool X11Windows::IsWindowOpen(std::string_view title) {
  const auto connection = Connect(display_);
  return connection && Search(connection.get()).Find(title).has_value();
}

bool X11Windows::KillWindowProcess(std::string_view title) {
  const auto connection = Connect(display_);
  if (!connection) return false;
  Search search(connection.get());
  const auto window = search.Find(title);
  if (!window) return false;
  // Failing to find or end the owner still counts as found, as on Windows;
  // the program never ends itself or init.
  if (const auto pid = search.Owner(*window); pid && *pid > 1 && *pid != getpid()) {
    kill(*pid, SIGTERM);
  }
  return true;
}

}  // namespace lobbyfind::platform
