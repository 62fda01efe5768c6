// The view contract against the fake the core's tests run on.
#include "support/view_contract.h"

#include "fake_view.h"

namespace lobbyfind::test {
namespace {

class FakeViewUnderTest final : public ViewUnderTest {
 public:
  app::View& view() override { return fake_; }
  std::string Shown(app::Control c) override { return app::ShownText(fake_.Text(c)); }
  std::vector<std::string> ShownItems(app::Control c) override {
    std::vector<std::string> shown;
    for (const auto& item : fake_.Items(c)) shown.push_back(app::ShownText(item));
    return shown;
  }
  std::vector<std::string> ShownChatLines() override {
    std::vector<std::string> shown;
    for (const auto& line : fake_.chat_log) shown.push_back(app::ShownLine(line.text));
    return shown;
  }
  std::vector<app::Rgb> ShownChatColours() override {
    std::vector<app::Rgb> colours;
    for (const auto& line : fake_.chat_log) colours.push_back(line.colour);
    return colours;
  }
  bool ChatCaretAtEnd() override { return fake_.chat_caret_at_end; }
  void EndTurn() override {}
  std::vector<std::string> ShownNewsLines() override {
    std::vector<std::string> shown;
    for (const auto& line : fake_.news) shown.push_back(app::ShownText(line.text));
    return shown;
  }
  void Type(app::Control c, const std::string& screen) override { fake_.Type(c, screen); }
  std::string ShownMessage(const std::string& text) override {
    fake_.ShowMessage(text);
    return app::ShownText(fake_.messages.back());
  }

 private:
  FakeView fake_;
};

INSTANTIATE_TEST_SUITE_P(Fake, ViewContract,
                         ::testing::Values(ViewFactory{"Fake", [] { return std::make_unique<FakeViewUnderTest>(); }}),
                         PrintViewFactory);

}  // namespace
}  // namespace lobbyfind::test
