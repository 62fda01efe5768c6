#include "fake_view.h"

#include <algorithm>
#include <stdexcept>

#include "app/control_texts.h"
#include "app/screen_text.h"

namespace lobbyfind::test {

using app::Control;

namespace {
// The players list sorts itself, as both editions' lists do.
bool Sorted(Control c) { return c == Control::ListBox2; }
}  // namespace

FakeView::FakeView() {
  // The window's initial values, as the real window starts.
  texts[Control::currentplayername] = "currentplayername";
  texts[Control::currentgtadirectory] = "currentgtadirectory";
  texts[Control::Edit3] = std::string(app::kChatInputPlaceholder);
  texts[Control::currentfraglimit] = "0";
  texts[Control::currentscorelimit] = "0";
  texts[Control::currentgametimelimit] = "0";
  texts[Control::serverlistrefreshtime] = "5000";
  positions[Control::currentgamespeed] = 1;
  positions[Control::currentgamemode] = -1;
  page_visible[Control::tab_Start] = true;
  page_visible[Control::tab_Internetgames] = true;
  page_visible[Control::tab_Options] = true;
  status_panels[0] = "Status :";
  status_panels[1] = "100%";
  bounds[Control::onlinenews] = {16, 24, 320, 280};
  bounds[Control::StatusBar] = {0, 523, 692, 19};
  background[Control::onlinenews] = {23, 28, 57};
}

std::string FakeView::Text(Control c) const {
  const auto it = texts.find(c);
  return it == texts.end() ? std::string() : it->second;
}
void FakeView::SetText(Control c, std::string_view text) { texts[c] = std::string(text); }
void FakeView::Type(Control c, std::string_view screen) {
  // Unchanged text keeps its bytes; a changed one is encoded afresh.
  if (app::ShownText(Text(c)) == screen) return;
  if (auto bytes = app::TypedBytes(screen, app::TargetOf(c))) texts[c] = *std::move(bytes);
}

bool FakeView::Checked(Control c) const {
  const auto it = checked.find(c);
  return it != checked.end() && it->second;
}
void FakeView::SetChecked(Control c, bool value) { checked[c] = value; }

int FakeView::Position(Control c) const {
  const auto it = positions.find(c);
  return it == positions.end() ? 0 : it->second;
}
void FakeView::SetPosition(Control c, int position) { positions[c] = position; }

std::vector<std::string> FakeView::Items(Control c) const {
  const auto it = items.find(c);
  return it == items.end() ? std::vector<std::string>() : it->second;
}
void FakeView::SetItems(Control c, const std::vector<std::string>& list) {
  items[c] = list;
  if (Sorted(c)) {
    std::stable_sort(items[c].begin(), items[c].end(),
                     [](const std::string& a, const std::string& b) { return app::LessIgnoringCase(a, b); });
  }
  selected[c].assign(list.size(), false);
  styles[c].assign(list.size(), app::ItemStyle{});
  unreachable[c].clear();
}
void FakeView::MarkUnreachable(Control c, int index) { unreachable[c].insert(index); }
void FakeView::SetItem(Control c, int index, std::string_view text) {
  auto& list = items[c];
  list.at(static_cast<std::size_t>(index)) = std::string(text);
  if (!Sorted(c)) return;
  // A sorted list moves the renamed entry to its place, selection and all.
  auto& marks = selected[c];
  marks.resize(list.size(), false);
  const bool mark = marks[static_cast<std::size_t>(index)];
  auto& looks = styles[c];
  looks.resize(list.size());
  const app::ItemStyle look = looks[static_cast<std::size_t>(index)];
  std::string entry = std::move(list[static_cast<std::size_t>(index)]);
  list.erase(list.begin() + index);
  marks.erase(marks.begin() + index);
  looks.erase(looks.begin() + index);
  const auto at = std::upper_bound(list.begin(), list.end(), entry, [](const std::string& a, const std::string& b) {
    return app::LessIgnoringCase(a, b);
  });
  const auto offset = at - list.begin();
  list.insert(at, std::move(entry));
  marks.insert(marks.begin() + offset, mark);
  looks.insert(looks.begin() + offset, look);
}
void FakeView::AddItem(Control c, std::string_view text) {
  auto& list = items[c];
  auto& marks = selected[c];
  marks.resize(list.size(), false);
  auto at = list.end();
  if (Sorted(c)) {
    at = std::find_if(list.begin(), list.end(), [&](const std::string& item) {
      return app::LessIgnoringCase(text, item);
    });
  }
  const auto offset = at - list.begin();
  auto& looks = styles[c];
  looks.resize(list.size());
  list.insert(at, std::string(text));
  marks.insert(marks.begin() + offset, false);
  looks.insert(looks.begin() + offset, app::ItemStyle{});
}
void FakeView::DeleteItem(Control c, int index) {
  auto& list = items[c];
  auto& marks = selected[c];
  marks.resize(list.size(), false);
  auto& looks = styles[c];
  looks.resize(list.size());
  list.erase(list.begin() + index);
  marks.erase(marks.begin() + index);
  looks.erase(looks.begin() + index);
}
bool FakeView::Selected(Control c, int index) const {
  const auto it = selected.find(c);
  return it != selected.end() && index >= 0 && static_cast<std::size_t>(index) < it->second.size() &&
         it->second[static_cast<std::size_t>(index)];
}
void FakeView::SetSelected(Control c, int index, bool value) {
  auto& marks = selected[c];
  marks.resize(Items(c).size(), false);
  marks.at(static_cast<std::size_t>(index)) = value;
}

app::ItemStyle FakeView::ItemStyleAt(Control c, int index) const {
  const auto it = styles.find(c);
  if (it == styles.end() || index < 0 || static_cast<std::size_t>(index) >= it->second.size()) return {};
  return it->second[static_cast<std::size_t>(index)];
}
void FakeView::SetItemStyle(Control c, int index, const app::ItemStyle& style) {
  auto& looks = styles[c];
  looks.resize(Items(c).size());
  looks.at(static_cast<std::size_t>(index)) = style;
}

void FakeView::SetPageVisible(Control page, bool visible) { page_visible[page] = visible; }
bool FakeView::PageVisible(Control page) const {
  const auto it = page_visible.find(page);
  return it != page_visible.end() && it->second;
}
void FakeView::SetActivePage(Control page) { active_page = page; }
Control FakeView::ActivePage() const { return active_page; }

int FakeView::ChatLogLineCount() const { return static_cast<int>(chat_log.size()); }
void FakeView::ChatLogDeleteFirstLine() {
  if (chat_log.empty()) {
    throw std::logic_error("ChatLogDeleteFirstLine on an empty log");
  }
  chat_log.erase(chat_log.begin());
}
void FakeView::ChatLogAppend(std::string_view text, app::Rgb colour) {
  chat_log.push_back({std::string(text), colour});
  chat_caret_at_end = true;
}
void FakeView::ChatLogClear() {
  chat_log.clear();
  chat_caret_at_end = false;
}

void FakeView::NewsAppend(std::string_view text, const app::TextFormat& format) {
  news.push_back({std::string(text), format});
}

std::string FakeView::StatusPanelText(int panel) const { return status_panels[panel]; }
void FakeView::SetStatusPanelText(int panel, std::string_view text) {
  status_panels[panel] = std::string(text);
  if (panel == 0) status_history.emplace_back(text);
}
void FakeView::RepaintStatusBar() { ++status_repaints; }
void FakeView::SetStatusPanelWidth(int panel, int width) { status_panel_widths[panel] = width; }

app::Rect FakeView::Bounds(Control c) const {
  const auto it = bounds.find(c);
  return it == bounds.end() ? app::Rect{} : it->second;
}
void FakeView::SetBounds(Control c, const app::Rect& rect) { bounds[c] = rect; }
app::Rgb FakeView::BackgroundColour(Control c) const {
  const auto it = background.find(c);
  return it == background.end() ? app::Rgb{255, 255, 255} : it->second;
}
void FakeView::SetBackgroundColour(Control c, app::Rgb colour) { background[c] = colour; }

void FakeView::ShowMessage(std::string_view text) { messages.emplace_back(text); }
std::string FakeView::InputQuery(std::string_view caption, std::string_view prompt,
                                 std::string_view initial) {
  input_queries.push_back(std::string(caption) + "|" + std::string(prompt));
  return input_answer ? *input_answer : std::string(initial);
}
std::optional<std::string> FakeView::BrowseFolder(std::string_view title) {
  folder_titles.emplace_back(title);
  return folder_answer;
}

std::optional<int> FakeView::PopupMenu(const std::vector<std::string>& entries) {
  menus.push_back(entries);
  if (!menu_answer || *menu_answer >= static_cast<int>(entries.size())) return std::nullopt;
  return menu_answer;
}

}  // namespace lobbyfind::test
