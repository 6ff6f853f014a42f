#include "platform/HeadlessWindows.h"

namespace brim {

namespace {

constexpr int32_t kScreenWidth = 1024, kScreenHeight = 768;

}  // namespace

// A window is its record in the service; the object only names it.
class THeadlessWindowService::TWindow : public IWindow {
 public:
  TWindow(THeadlessWindowService& service, uint32_t id) : service_(service), id_(id) {}
  ~TWindow() override { service_.Forget(id_); }

  void Show() override {
    Record().Visible = true;
    if (service_.active_ != id_) service_.Post(id_, TEventKind::Activate);
  }
  void Hide() override {
    Record().Visible = false;
    if (service_.active_ == id_) service_.active_ = 0;
  }
  bool Visible() override { return Record().Visible; }
  void Maximize() override { Record().Maximized = true; }
  bool Maximized() override { return Record().Maximized; }
  void SetBounds(const TWindowBounds& bounds) override {
    Record().Bounds = bounds;
    Record().Maximized = false;
  }
  TWindowBounds Bounds() override { return Record().Bounds; }
  void SetCaption(const std::string& caption) override { Record().Caption = caption; }
  // The record keeps the caption's bytes as they were given.
  void SetCaptionCharset(int32_t) override {}
  void Repaint() override {}
  void SetStyle(const TWindowStyle& style) override { Record().Style = style; }
  TWindowStyle Style() override { return Record().Style; }
  void SetClientSize(int32_t width, int32_t height) override {
    Record().Bounds.Width = width;
    Record().Bounds.Height = height;
  }
  TWindowBounds ClientSize() override { return {0, 0, Record().Bounds.Width, Record().Bounds.Height}; }
  void CenterOnScreen() override {
    TWindowBounds& b = Record().Bounds;
    b.Left = (kScreenWidth - b.Width) / 2;
    b.Top = (kScreenHeight - b.Height) / 2;
  }
  void SetEnabled(bool enabled) override { Record().Enabled = enabled; }
  bool Enabled() override { return Record().Enabled; }

 private:
  TRecord& Record() { return service_.windows_.at(id_); }

  THeadlessWindowService& service_;
  uint32_t id_;
};

THeadlessWindowService::THeadlessWindowService(TUserInterfaceKind kind, TTextConsole console)
    : kind_(kind), console_(console.Write ? std::move(console) : StandardTextConsole()) {}

THeadlessWindowService::~THeadlessWindowService() = default;

std::unique_ptr<IWindow> THeadlessWindowService::CreateWindow(const std::string& caption,
                                                              const TWindowBounds& bounds,
                                                              TWindowCallbacks callbacks) {
  uint32_t id = nextId_++;
  TRecord record;
  record.Caption = caption;
  record.Bounds = bounds;
  record.Callbacks = std::move(callbacks);
  windows_[id] = std::move(record);
  return std::make_unique<TWindow>(*this, id);
}

void THeadlessWindowService::Post(uint32_t window, TEventKind kind) {
  // One activation waits at most: showing a window twice activates it once.
  for (const TQueued& e : queue_)
    if (e.Window == window && e.Kind == kind) return;
  queue_.push_back({window, kind});
}

void THeadlessWindowService::Forget(uint32_t window) {
  windows_.erase(window);
  if (active_ == window) active_ = 0;
  std::erase_if(queue_, [window](const TQueued& e) { return e.Window == window; });
}

TMessageStep THeadlessWindowService::ProcessMessage(bool wait) {
  while (!queue_.empty()) {
    TQueued event = queue_.front();
    queue_.pop_front();
    auto it = windows_.find(event.Window);
    // A window hidden since the event was posted is not activated.
    if (it == windows_.end() || !it->second.Visible) continue;
    active_ = event.Window;
    // The callback may destroy the window: call a copy.
    std::function<void()> activated = it->second.Callbacks.Activated;
    if (activated) activated();
    return TMessageStep::Handled;
  }
  if (quit_) {
    quit_ = false;
    return TMessageStep::Quit;
  }
  return TMessageStep::Idle;
}

void THeadlessWindowService::PostQuit(int exitCode) {
  quit_ = true;
  exitCode_ = exitCode;
}

int THeadlessWindowService::MessageBox(const std::string& text, const std::string& caption,
                                       uint32_t flags) {
  return TextMessageBox(text, caption, flags, kind_, console_);
}

const std::string* THeadlessWindowService::ActiveCaption() const {
  auto it = windows_.find(active_);
  return it == windows_.end() ? nullptr : &it->second.Caption;
}

}  // namespace brim
