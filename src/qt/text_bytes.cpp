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

QString ToScreenLine(std::string_view bytes) {
  constexpr char16_t kControlPictures = 0x2400;  // U+2400 + code: the picture of C0 controls
  constexpr char16_t kDeletePicture = 0x2421;
  constexpr char16_t kNewlinePicture = 0x2424;
  QString text = ToScreen(bytes);
  for (QChar& c : text) {
    const char16_t code = c.unicode();
    if (code < 0x20 && code != u'\t') {
      c = QChar(static_cast<char16_t>(kControlPictures + code));
    } else if (code == 0x7f) {
      c = QChar(kDeletePicture);
    } else if (code == QChar::LineSeparator || code == QChar::ParagraphSeparator) {
      c = QChar(kNewlinePicture);
    } else if (code == 0xfdd0 || code == 0xfdd1) {  // a text document's frame marks
      c = QChar(QChar::ReplacementCharacter);
    }
  }
  return text;
}

std::string ToBytes(const QString& text) {
  const QByteArray utf8 = text.toUtf8();
  return {utf8.constData(), static_cast<std::size_t>(utf8.size())};
}

}  // namespace lobbyfind::qt
