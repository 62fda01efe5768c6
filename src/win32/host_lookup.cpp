#include "win32/host_lookup.h"

#include <ws2tcpip.h>

#include <cstring>
#include <vector>

#include "win32/message_window.h"
#include "win32/winsock_errors.h"

namespace lobbyfind::win32 {

struct HostLookup::Pending {
  std::vector<char> buffer = std::vector<char>(MAXGETHOSTSTRUCT);
  HANDLE task = nullptr;
  UINT message = 0;
  Done done;
};

HostLookup::~HostLookup() { Cancel(); }

void HostLookup::Cancel() {
  if (!pending_) return;
  if (pending_->task != nullptr) WSACancelAsyncRequest(pending_->task);
  MessageWindow::Instance().Release(pending_->message);
  pending_.reset();
}

void HostLookup::Start(const std::string& host, Done done) {
  Cancel();
  in_addr address{};
  if (inet_pton(AF_INET, host.c_str(), &address) == 1) {
    done(true, address, "");
    return;
  }
  auto pending = std::make_shared<Pending>();
  pending->done = std::move(done);
  pending->message = MessageWindow::Instance().Reserve([this, raw = pending.get()](WPARAM, LPARAM lparam) {
    // Keep the lookup alive while its caller hears of the answer.
    const std::shared_ptr<Pending> self = pending_;
    if (!self || self.get() != raw) return;
    MessageWindow::Instance().Release(self->message);
    pending_.reset();
    const int error = WSAGETASYNCERROR(lparam);
    const auto* entry = reinterpret_cast<const hostent*>(self->buffer.data());
    if (error != 0 || entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr) {
      self->done(false, in_addr{}, WinsockErrorText(error != 0 ? error : WSAHOST_NOT_FOUND));
      return;
    }
    in_addr found{};
    std::memcpy(&found, entry->h_addr_list[0], sizeof found);
    self->done(true, found, "");
  });
  pending->task = WSAAsyncGetHostByName(MessageWindow::Instance().Handle(), pending->message, host.c_str(),
                                        pending->buffer.data(), static_cast<int>(pending->buffer.size()));
  if (pending->task == nullptr) {
    const int error = WSAGetLastError();
    MessageWindow::Instance().Release(pending->message);
    pending->done(false, in_addr{}, WinsockErrorText(error));
    return;
  }
  pending_ = std::move(pending);
}

}  // namespace lobbyfind::win32
