#include "framework/error_manager.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "framework/cp1250.h"
#include "framework/message_table.h"

namespace eracuni {
namespace {

constexpr size_t kMaxErrorText = 254;  // the error texts and the driver's code
constexpr char kFatalTail[] = "  Press OK to end this application";

class ExitingTerminator : public Terminator {
 public:
  void Terminate(int exit_code, const std::string& reason) override {
    std::fprintf(stderr, "%s\n", Cp1250ToUtf8(reason).c_str());
    std::fflush(nullptr);
    // At once: other threads may still run, so no static destructors.
    std::_Exit(exit_code);
  }
};

std::string ClipAndCut(std::string_view s, size_t capacity) {
  size_t end = s.find_last_not_of(' ');
  s = end == std::string_view::npos ? std::string_view() : s.substr(0, end + 1);
  return std::string(s.substr(0, capacity));
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool MatchesAt(const std::string& text, size_t pos, std::string_view word) {
  if (text.size() - pos < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (AsciiLower(text[pos + i]) != AsciiLower(word[i])) return false;
  return true;
}

// The placeholders are ASCII, so folding ASCII letters is all the case-blindness needed.
size_t FindIgnoringCase(const std::string& text, std::string_view word, size_t from) {
  for (size_t pos = from; pos < text.size(); ++pos)
    if (MatchesAt(text, pos, word)) return pos;
  return std::string::npos;
}

// Replaces every occurrence, cutting the text to `capacity` after each replacement. The
// search resumes after the inserted value, so a value holding its placeholder (or equal to
// it) cannot make the loop run forever.
void ReplaceAll(std::string* text, std::string_view placeholder, const std::string& value,
                size_t capacity) {
  size_t pos = FindIgnoringCase(*text, placeholder, 0);
  while (pos != std::string::npos) {
    text->replace(pos, placeholder.size(), value);
    if (text->size() > capacity) text->resize(capacity);
    pos = FindIgnoringCase(*text, placeholder, pos + value.size());
  }
}

struct MessageRecord {
  int id = 0;
  uint8_t severity = 0;
  std::string title, text, category;
};

// What one thread knows about its last failure and its current message.
struct Context {
  std::string field_name, file_name, key_name, message_text;
  ErrorState recorded;  // SetErrorState: the runtime's last error
  ErrorState captured;  // RaiseError's copy, shown by the placeholders
  int current_id = 0;
  int previous_id = 0;
  MessageRecord current;
};

std::atomic<uint64_t> next_serial{1};

}  // namespace

Terminator& ProcessTerminator() {
  static ExitingTerminator terminator;
  return terminator;
}

struct ErrorManager::Impl {
  Impl(MessageBox& b, Terminator& t) : boxes(b), terminator(t), serial(next_serial++) {}

  // Contexts live in thread-local storage keyed by the manager's serial number, so each
  // thread has its own and two managers (never reusing a serial) never share one.
  Context& ThisThread() {
    thread_local std::unordered_map<uint64_t, Context> contexts;
    return contexts[serial];
  }

  std::optional<MessageRecord> Find(int id) {
    std::lock_guard<std::mutex> lock(mu);
    for (auto it = messages.rbegin(); it != messages.rend(); ++it)
      if (it->id == id) return *it;
    return std::nullopt;
  }

  std::string CurrentProcedure() {
    std::lock_guard<std::mutex> lock(mu);
    std::thread::id me = std::this_thread::get_id();
    for (auto it = procedures.rbegin(); it != procedures.rend(); ++it)
      if (it->first == me) return it->second;
    return {};
  }

  MessageButton Show(std::string text, const Context& c, MessageIcon icon, MessageButtons buttons,
                     MessageButton default_button) {
    MessageRequest request;
    request.text = std::move(text);
    request.caption = c.current.title;
    request.icon = icon;
    request.buttons = buttons;
    request.default_button = default_button;
    return boxes.Show(request);
  }

  MessageBox& boxes;
  Terminator& terminator;
  const uint64_t serial;

  std::mutex mu;  // guards everything below
  bool loaded = false;
  std::vector<MessageRecord> messages;
  std::vector<std::pair<std::thread::id, std::string>> procedures;
};

ErrorManager::ErrorManager(MessageBox& boxes, Terminator& terminator)
    : impl_(std::make_unique<Impl>(boxes, terminator)) {}

ErrorManager::~ErrorManager() = default;

void ErrorManager::Init() {
  impl_->ThisThread();
  std::lock_guard<std::mutex> lock(impl_->mu);
  if (impl_->loaded) return;
  impl_->loaded = true;
  // The block is a constant of this program and covered by its tests.
  auto entries = UnpackMessageTable(PackedMessageTable());
  if (!entries.ok()) return;
  for (MessageEntry& e : *entries)
    impl_->messages.push_back({e.id, e.severity, std::move(e.title), std::move(e.text), {}});
}

void ErrorManager::EnterProcedure(std::string_view name) {
  std::string clipped = ClipAndCut(name, std::string::npos);
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->procedures.emplace_back(std::this_thread::get_id(), std::move(clipped));
}

void ErrorManager::LeaveProcedure() {
  std::lock_guard<std::mutex> lock(impl_->mu);
  auto& stack = impl_->procedures;
  std::thread::id me = std::this_thread::get_id();
  for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
    if (it->first != me) continue;
    stack.erase(std::next(it).base());
    return;
  }
}

void ErrorManager::SetFileName(std::string_view text) {
  impl_->ThisThread().file_name = ClipAndCut(text, kMaxContextText);
}

void ErrorManager::SetKeyName(std::string_view text) {
  impl_->ThisThread().key_name = ClipAndCut(text, kMaxContextText);
}

void ErrorManager::SetMessageText(std::string_view text) {
  impl_->ThisThread().message_text = ClipAndCut(text, kMaxContextText);
}

void ErrorManager::SetFieldName(std::string_view text) {
  impl_->ThisThread().field_name = ClipAndCut(text, kMaxContextText);
}

void ErrorManager::SetErrorState(const ErrorState& state) {
  ErrorState& r = impl_->ThisThread().recorded;
  r.error_code = state.error_code;
  r.error_text = ClipAndCut(state.error_text, kMaxErrorText);
  r.file_error_code = ClipAndCut(state.file_error_code, kMaxErrorText);
  r.file_error_text = ClipAndCut(state.file_error_text, kMaxErrorText);
}

int ErrorManager::RaiseError(int id) {
  Context& c = impl_->ThisThread();
  c.captured = c.recorded;
  return ReportError(id);
}

int ErrorManager::RaiseErrorWithText(int id, std::string_view text) {
  SetMessageText(text);
  return RaiseError(id);
}

int ErrorManager::ReportError(int id) {
  Context& c = impl_->ThisThread();
  c.previous_id = c.current_id;
  c.current_id = id;
  c.current = impl_->Find(id).value_or(MessageRecord{});
  if (c.current.category.empty()) c.current.category = kDefaultCategory;

  switch (c.current.severity) {
    case static_cast<uint8_t>(Severity::kBenign):
      return 0;
    case static_cast<uint8_t>(Severity::kQuestion):
    case static_cast<uint8_t>(Severity::kCancel): {
      MessageButton b = impl_->Show(FillPlaceholders(), c, MessageIcon::kQuestion,
                                    MessageButtons::kYesNo, MessageButton::kYes);
      return b == MessageButton::kYes ? 0 : 4;
    }
    case static_cast<uint8_t>(Severity::kNotice):
      impl_->Show(FillPlaceholders(), c, MessageIcon::kExclamation, MessageButtons::kOk,
                  MessageButton::kOk);
      return 5;
    default:  // fatal, program error and unknown levels
      impl_->Show(FillPlaceholders() + kFatalTail, c, MessageIcon::kExclamation,
                  MessageButtons::kOk, MessageButton::kOk);
      impl_->terminator.Terminate(kFatalExitCode, c.current.title);
      return kFatalResult;
  }
}

std::string ErrorManager::FillPlaceholders() {
  const Context& c = impl_->ThisThread();
  const ErrorState& e = c.captured;
  auto error_text = [&] {
    bool driver = e.error_code == 90 || e.error_code == 100 || e.error_code == 47;
    return driver ? e.file_error_text + " (" + e.file_error_code + ")"
                  : e.error_text + " (" + std::to_string(e.error_code) + ")";
  };
  auto previous = [&] {
    auto record = impl_->Find(c.previous_id);
    return record ? record->text : std::string();
  };
  // Longer placeholders come before the shorter ones that are their prefixes.
  const std::pair<std::string_view, std::function<std::string()>> kOrder[] = {
      {"%FileErrorCode", [&] { return e.file_error_code; }},
      {"%FileError", [&] { return e.file_error_text; }},
      {"%File", [&] { return c.file_name; }},
      {"%Key", [&] { return c.key_name; }},
      {"%ErrorCode", [&] { return std::to_string(e.error_code); }},
      {"%ErrorText", error_text},
      {"%Error", [&] { return e.error_text; }},
      {"%Message", [&] { return c.message_text; }},
      {"%Field", [&] { return c.field_name; }},
      {"%Procedure", [&] { return impl_->CurrentProcedure(); }},
      {"%Category", [&] { return c.current.category; }},
      {"%Previous", previous},
  };
  std::string text = c.current.text.substr(0, kMaxFilledText);
  for (const auto& [placeholder, value] : kOrder) {
    // Values are only worked out for placeholders the text holds.
    if (FindIgnoringCase(text, placeholder, 0) == std::string::npos) continue;
    ReplaceAll(&text, placeholder, value(), kMaxFilledText);
  }
  return text;
}

void ErrorManager::AddMessage(int id, Severity severity, std::string title, std::string text,
                              std::string category) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->messages.push_back(
      {id, static_cast<uint8_t>(severity), std::move(title), std::move(text), std::move(category)});
}

}  // namespace eracuni
