#include "qt/text_bytes.h"

#include <QByteArray>
#include <QStringDecoder>

namespace lobbyfind::qt {

QString ToScreen(std::string_view bytes) {
  const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(view);
  if (utf8.hasError()) {
    return QString::fromLatin1(view);
  }
  return text;
}

std::string ToBytes(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return {utf8.constData(), static_cast<std::size_t>(utf8.size())};
}

}  // namespace lobbyfind::qt
