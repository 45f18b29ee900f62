// Code page 932 through Qt's ICU converters. "CP932" rather than "Shift_JIS":
// the Windows code page has characters (～, ①, ㈱) that strict Shift_JIS lacks.
#include "platform/code_page.h"

#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

namespace win {

namespace {
constexpr const char* kCodePage = "CP932";

// Most registry names and values are plain ASCII, which every code page
// shares; they skip the converter, which is costly to set up per call.
bool isAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

QString decode(std::string_view ansi, bool* ok = nullptr) {
  QStringDecoder decoder(kCodePage);
  QString text = decoder(QByteArrayView(ansi.data(), qsizetype(ansi.size())));
  if (ok) *ok = !decoder.hasError();
  return text;
}

std::string encode(const QString& text, bool* ok = nullptr) {
  QStringEncoder encoder(kCodePage);
  QByteArray bytes = encoder(text);
  if (ok) *ok = !encoder.hasError();
  return std::string(bytes.constData(), size_t(bytes.size()));
}
}  // namespace

std::u16string ansiToWide(std::string_view ansi) {
  if (isAscii(ansi)) return std::u16string(ansi.begin(), ansi.end());
  QString text = decode(ansi);
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
}

std::string wideToAnsi(std::u16string_view wide) {
  return encode(QString(reinterpret_cast<const QChar*>(wide.data()), qsizetype(wide.size())));
}

std::string ansiToUtf8(std::string_view ansi) {
  return decode(ansi).toStdString();
}

std::string ansiFromUtf8(std::string_view utf8) {
  return encode(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
}

bool isRoundTripAnsi(std::string_view ansi) {
  if (isAscii(ansi)) return true;
  bool decoded = false;
  bool encoded = false;
  std::string back = encode(decode(ansi, &decoded), &encoded);
  return decoded && encoded && back == ansi;
}

}  // namespace win
