#include "driver/standin_client.h"

#include <windows.h>
#include <wininet.h>

#include "driver/gbk.h"
#include "driver/json.h"

namespace quorlan::e2e {
namespace {

class InternetHandle {
 public:
  explicit InternetHandle(HINTERNET h) : h_(h) {}
  ~InternetHandle() {
    if (h_) InternetCloseHandle(h_);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
  HINTERNET get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }

 private:
  HINTERNET h_;
};

void AppendField(std::string& json, const char* name, const std::string& valueJson) {
  json += json.size() > 1 ? "," : "";
  json += JsonQuote(name) + ":" + valueJson;
}

}  // namespace

std::string StandinRoute::ToJson() const {
  std::string json = "{";
  AppendField(json, "share", JsonQuote(share));
  if (status) AppendField(json, "status", std::to_string(*status));
  if (!rows.empty()) {
    std::string list = "[";
    for (const auto& row : rows) {
      if (list.size() > 1) list += ",";
      list += "[" + JsonQuote(row.name) + "," + JsonQuote(row.size) + "," + JsonQuote(row.link) + "]";
    }
    AppendField(json, "rows", list + "]");
  }
  if (body) AppendField(json, "body", JsonQuote(*body));
  if (bodyB64) AppendField(json, "body_b64", JsonQuote(*bodyB64));
  if (delayMs) AppendField(json, "delay_ms", std::to_string(*delayMs));
  if (cutAfter) AppendField(json, "cut_after", std::to_string(*cutAfter));
  if (redirect) AppendField(json, "redirect", JsonQuote(*redirect));
  if (neverAnswer) AppendField(json, "never_answer", "true");
  if (!headers.empty()) {
    std::string object = "{";
    for (const auto& [name, value] : headers) {
      if (object.size() > 1) object += ",";
      object += JsonQuote(name) + ":" + JsonQuote(value);
    }
    AppendField(json, "headers", object + "}");
  }
  return json + "}";
}

std::optional<std::vector<RecordedRequest>> ParseRecordedRequests(const std::string& json) {
  auto doc = ParseJson(json);
  if (!doc || doc->kind != JsonValue::Kind::kArray) return std::nullopt;
  std::vector<RecordedRequest> requests;
  for (const JsonValue& entry : doc->array) {
    if (entry.kind != JsonValue::Kind::kObject) return std::nullopt;
    RecordedRequest r;
    r.requestLine = entry.StringAt("request_line");
    r.share = entry.StringAt("share");
    r.pwd = entry.StringAt("pwd");
    r.rawQuery = entry.StringAt("raw_query");
    if (const JsonValue* headers = entry.Find("headers")) {
      if (headers->kind != JsonValue::Kind::kArray) return std::nullopt;
      for (const JsonValue& pair : headers->array) {
        if (pair.kind != JsonValue::Kind::kArray || pair.array.size() != 2 ||
            pair.array[0].kind != JsonValue::Kind::kString ||
            pair.array[1].kind != JsonValue::Kind::kString)
          return std::nullopt;
        r.headers.emplace_back(pair.array[0].string, pair.array[1].string);
      }
    }
    requests.push_back(std::move(r));
  }
  return requests;
}

std::optional<StandinClient::Response> StandinClient::Request(const char* method,
                                                             const std::string& path,
                                                             const std::string& body) const {
  InternetHandle session(
      InternetOpenW(L"quorlan-e2e", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  if (!session) return std::nullopt;
  DWORD timeout = 5000;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                       INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    InternetSetOptionW(session.get(), option, &timeout, sizeof timeout);
  }
  InternetHandle connection(InternetConnectW(session.get(), Utf8ToWide(host_).c_str(),
                                             static_cast<INTERNET_PORT>(port_), nullptr, nullptr,
                                             INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return std::nullopt;
  InternetHandle request(HttpOpenRequestW(
      connection.get(), Utf8ToWide(method).c_str(), Utf8ToWide(path).c_str(), L"HTTP/1.1",
      nullptr, nullptr,
      INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_COOKIES |
          INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTO_REDIRECT,
      0));
  if (!request) return std::nullopt;
  const wchar_t* contentType = L"Content-Type: application/json\r\n";
  if (!HttpSendRequestW(request.get(), body.empty() ? nullptr : contentType,
                        body.empty() ? 0 : static_cast<DWORD>(-1),
                        body.empty() ? nullptr : const_cast<char*>(body.data()),
                        static_cast<DWORD>(body.size())))
    return std::nullopt;
  Response response;
  DWORD status = 0, size = sizeof status;
  if (!HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                      &size, nullptr))
    return std::nullopt;
  response.status = status;
  char buffer[8192];
  DWORD read = 0;
  while (InternetReadFile(request.get(), buffer, sizeof buffer, &read) && read > 0) {
    response.body.append(buffer, read);
  }
  return response;
}

bool StandinClient::IsRunning() const {
  auto r = Request("GET", "/__requests");
  return r && r->status / 100 == 2;
}

bool StandinClient::Reset() const {
  auto r = Request("POST", "/__reset", "{}");
  return r && r->status / 100 == 2;
}

bool StandinClient::ClearRequests() const {
  auto r = Request("POST", "/__clear_requests", "{}");
  return r && r->status / 100 == 2;
}

bool StandinClient::AddRoute(const StandinRoute& route) const {
  auto r = Request("POST", "/__routes", route.ToJson());
  return r && r->status / 100 == 2;
}

std::optional<std::vector<RecordedRequest>> StandinClient::Requests() const {
  auto r = Request("GET", "/__requests");
  if (!r || r->status / 100 != 2) return std::nullopt;
  return ParseRecordedRequests(r->body);
}

}  // namespace quorlan::e2e
