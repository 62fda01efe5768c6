#include "presence/answer_server.h"

#include <algorithm>
#include <exception>

#include "ports/depth_guard.h"

namespace lobbyfind::presence {
namespace {

constexpr std::string_view kUnknownFailure = "unknown failure";

}  // namespace

AnswerServer::AnswerServer(std::unique_ptr<ports::TcpListener> listener, std::unique_ptr<ports::Timer> sweep,
                           const ports::Clock& clock, std::uint16_t port)
    : listener_(std::move(listener)), sweep_(std::move(sweep)), clock_(clock), port_(port) {
  listener_->OnAccepted = [this](std::unique_ptr<ports::TcpConnection> socket) { Accept(std::move(socket)); };
  sweep_->SetInterval(kSweepIntervalMs);
  sweep_->OnTimer = [this] { SweepIdle(); };
}

AnswerServer::~AnswerServer() {
  listener_->OnAccepted = nullptr;
  sweep_->OnTimer = nullptr;
  for (auto& connection : connections_) connection->socket->Close();
}

bool AnswerServer::Activate() {
  ReleaseClosed();
  if (listener_->IsListening()) return true;
  return listener_->Listen(port_);
}

void AnswerServer::Deactivate() {
  listener_->Close();
  while (!connections_.empty()) CloseConnection(connections_.front().get());
  ReleaseClosed();
}

bool AnswerServer::Active() const { return listener_->IsListening(); }

void AnswerServer::Accept(std::unique_ptr<ports::TcpConnection> socket) {
  if (connections_.size() >= kMaxConnections) CloseConnection(connections_.front().get());
  auto connection = std::make_unique<Connection>();
  Connection* c = connection.get();
  c->peer = socket->PeerAddress();
  if (c->peer.empty()) c->peer = "0.0.0.0";
  c->last_data_ms = clock_.MonotonicMs();
  c->socket = std::move(socket);
  c->socket->OnData = [this, c](std::string_view bytes) { Arrived(c, bytes); };
  // Errors on these connections are of no interest to anyone: the answer
  // either came or it did not. The connection is simply let go.
  c->socket->OnError = [this, c](const std::string&) { CloseConnection(c); };
  c->socket->OnClosed = [this, c] { CloseConnection(c); };
  connections_.push_back(std::move(connection));
  sweep_->SetEnabled(true);
  ReleaseClosed();
}

void AnswerServer::Arrived(Connection* connection, std::string_view bytes) {
  ports::DepthGuard guard(notification_depth_);
  connection->last_data_ms = clock_.MonotonicMs();
  if (!OnAnswer) return;
  // Whatever a peer sends, nothing may leave this handler: the edge calls it
  // from the event loop (a Qt slot, a window procedure), where an exception
  // would end the program. A failure is reported and the server goes on.
  arrival_us_ = connection->socket->TakeArrivalUs();
  try {
    OnAnswer(connection->peer, bytes.substr(0, kMaxBytesPerArrival));
    arrival_us_.reset();
  } catch (const std::exception& e) {
    arrival_us_.reset();
    AnswerFailed(e.what());
  } catch (...) {
    arrival_us_.reset();
    AnswerFailed(std::string(kUnknownFailure));
  }
}

void AnswerServer::AnswerFailed(const std::string& reason) {
  if (reason == last_failure_) return;
  last_failure_ = reason;
  // The report must not throw out of here either.
  try {
    if (OnAnswerFailed) OnAnswerFailed(reason);
  } catch (...) {  // NOLINT(bugprone-empty-catch): nowhere left to report it
  }
}

void AnswerServer::CloseConnection(Connection* connection) {
  const auto found = std::find_if(connections_.begin(), connections_.end(),
                                  [connection](const auto& c) { return c.get() == connection; });
  if (found == connections_.end()) return;
  // A close the core asks for raises no further notification, so the
  // handlers may stay in place (one of them may be running right now).
  connection->socket->Close();
  closed_.push_back(std::move(*found));
  connections_.erase(found);
  if (connections_.empty()) sweep_->SetEnabled(false);
}

void AnswerServer::SweepIdle() {
  const std::int64_t now = clock_.MonotonicMs();
  std::vector<Connection*> idle;
  for (const auto& connection : connections_) {
    if (now - connection->last_data_ms >= kIdleCloseMs) idle.push_back(connection.get());
  }
  for (Connection* connection : idle) CloseConnection(connection);
  ReleaseClosed();
}

void AnswerServer::ReleaseClosed() {
  if (notification_depth_ == 0) closed_.clear();
}

}  // namespace lobbyfind::presence
