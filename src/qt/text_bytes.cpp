#include "qt/text_bytes.h"

#include <QByteArray>

#include "app/screen_text.h"

namespace lobbyfind::qt {
namespace {
QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

QString ToScreen(std::string_view bytes) { return FromUtf8(app::ShownText(bytes)); }

QString ToScreenLine(std::string_view bytes) { return FromUtf8(app::ShownLine(bytes)); }

std::string ToUtf8(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return {utf8.constData(), static_cast<std::size_t>(utf8.size())};
}

}  // namespace lobbyfind::qt
