// Client of the resolver stand-in's control interface: routes that decide how
// it answers a share, and the resolver requests it has recorded.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quorlan::e2e {

// The test build's resolver host.
inline constexpr char kStandinHost[] = "127.0.0.1";
inline constexpr int kStandinPort = 18651;

// One route; texts are UTF-8. Unset fields are left out of the JSON, so the
// stand-in's defaults apply.
struct StandinRoute {
  struct Row {
    std::string name, size, link;
  };
  std::string share;  // "*" answers every share without a route of its own
  std::optional<int> status;
  std::vector<Row> rows;
  std::optional<std::string> body;     // instead of rows
  std::optional<std::string> bodyB64;  // raw bytes, base64
  std::optional<int> delayMs;
  std::optional<int> cutAfter;
  std::optional<std::string> redirect;
  bool neverAnswer = false;
  std::vector<std::pair<std::string, std::string>> headers;

  std::string ToJson() const;
};

struct RecordedRequest {
  std::string requestLine;
  std::vector<std::pair<std::string, std::string>> headers;  // in the order received
  std::string share, pwd, rawQuery;
};

// Parses the stand-in's /__requests answer; nullopt when it is not that shape.
std::optional<std::vector<RecordedRequest>> ParseRecordedRequests(const std::string& json);

class StandinClient {
 public:
  explicit StandinClient(std::string host = kStandinHost, int port = kStandinPort)
      : host_(std::move(host)), port_(port) {}

  // True when the stand-in answers its control interface.
  bool IsRunning() const;
  bool Reset() const;
  bool ClearRequests() const;
  bool AddRoute(const StandinRoute& route) const;
  std::optional<std::vector<RecordedRequest>> Requests() const;

  struct Response {
    unsigned status = 0;
    std::string body;
  };
  // One request over WinINet; nullopt when there is no answer at all.
  std::optional<Response> Request(const char* method, const std::string& path,
                                  const std::string& body = {}) const;

 private:
  std::string host_;
  int port_;
};

}  // namespace quorlan::e2e
