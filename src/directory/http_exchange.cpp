#include "directory/http_exchange.h"

#include <utility>

namespace lobbyfind::directory {
namespace {

constexpr std::string_view kTimedOut = "the directory service did not answer in time";
constexpr std::string_view kTooLarge = "the directory service sent a reply larger than allowed";
constexpr std::string_view kNoReply = "the directory service closed the connection without a reply";

}  // namespace

template <typename Step>
void HttpExchange::Notified(const ports::TcpConnection* source, Step step) {
  ++notification_depth_;
  step();
  if (--notification_depth_ > 0) return;
  std::erase_if(finished_, [source](const auto& connection) { return connection.get() != source; });
}

HttpExchange::HttpExchange(ports::TcpConnectionFactory connections, ports::TimerFactory timers, Limits limits)
    : connections_(std::move(connections)), deadline_(timers()), timer_(timers()), limits_(limits) {
  for (ports::Timer* timer : {timer_.get(), deadline_.get()}) {
    timer->SetEnabled(false);
    timer->OnTimer = [this] { Notified(nullptr, [this] { TimedOut(); }); };
  }
}

HttpExchange::~HttpExchange() {
  timer_->OnTimer = nullptr;
  deadline_->OnTimer = nullptr;
  if (connection_) connection_->Close();
}

bool HttpExchange::Get(std::string_view url) {
  if (connection_) return false;
  const std::optional<HttpTarget> target = ParseHttpUrl(url);
  if (!target) return false;

  if (notification_depth_ == 0) finished_.clear();
  failed_ = false;
  error_.clear();
  reply_ = HttpReplyReader(limits_.max_body);
  request_ = BuildGetRequest(*target);

  connection_ = connections_();
  const ports::TcpConnection* source = connection_.get();
  connection_->OnConnected = [this, source] { Notified(source, [this] { Connected(); }); };
  connection_->OnData = [this, source](std::string_view bytes) {
    Notified(source, [this, bytes] { DataArrived(bytes); });
  };
  connection_->OnError = [this](const std::string& reason) {
    if (error_.empty()) error_ = reason.empty() ? std::string("connection error") : reason;
  };
  connection_->OnClosed = [this, source] { Notified(source, [this] { ConnectionClosed(); }); };
  timer_->SetInterval(limits_.timeout_ms);
  timer_->SetEnabled(true);
  deadline_->SetInterval(limits_.deadline_ms);
  deadline_->SetEnabled(true);
  connection_->Connect(target->host, target->port);
  return true;
}

void HttpExchange::KeepAlive() { timer_->SetInterval(limits_.timeout_ms); }

void HttpExchange::Connected() {
  if (!connection_) return;
  KeepAlive();
  connection_->Write(request_);
}

void HttpExchange::DataArrived(std::string_view bytes) {
  if (!connection_) return;
  KeepAlive();
  if (!reply_.Feed(bytes)) Finish(true, std::string(kTooLarge));
}

void HttpExchange::ConnectionClosed() {
  if (!connection_) return;
  if (!error_.empty()) {
    Finish(true, error_);
  } else if (!reply_.ReceivedAnything()) {
    // A server that hangs up without a word has not answered the request.
    // Taken as a success with an empty body (status 0), it would raise
    // nothing, and a directory that drops every connection this way would
    // leave the user with a stale game list and no word why. As a failure
    // it is reported once per run of failures, as a refused connection is.
    Finish(true, std::string(kNoReply));
  } else {
    Finish(false, {});
  }
}

void HttpExchange::TimedOut() {
  if (connection_) Finish(true, std::string(kTimedOut));
}

void HttpExchange::Finish(bool failed, const std::string& reason) {
  timer_->SetEnabled(false);
  deadline_->SetEnabled(false);
  connection_->Close();  // no notification: the connection is ours to end
  finished_.push_back(std::move(connection_));
  failed_ = failed;

  if (!failed) {
    const std::int16_t status = reply_.StatusCode();
    if (status < 299) {
      if (OnSuccess) OnSuccess(CmdType::kGet);
    } else if (status >= 400) {
      if (OnFailure) OnFailure(CmdType::kGet);
    }
    // 299 to 399: a redirection or the like, which the directory never sends; nothing to report.
  }
  if (OnDisconnect) OnDisconnect();
  if (failed && OnExchangeFailed) OnExchangeFailed(reason);
}

}  // namespace lobbyfind::directory
