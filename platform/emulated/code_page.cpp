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

// The converter writes its own substitute, 0xFC 0xFC, for a character the
// code page lacks; Windows writes its default character "?". A text with
// such characters is therefore converted again one character at a time, so
// that each of them becomes a single "?" and the bytes are Windows' bytes.
std::string encodeEachCharacter(const QString& text) {
  std::string ansi;
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype length =
        text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
    // A new converter each time: one that met an error keeps reporting it.
    QStringEncoder encoder(kCodePage);
    const QByteArray bytes = encoder(QStringView(text).mid(i, length));
    if (encoder.hasError() || bytes.isEmpty())
      ansi += '?';
    else
      ansi.append(bytes.constData(), size_t(bytes.size()));
    i += length;
  }
  return ansi;
}

std::string encode(const QString& text, bool* ok = nullptr) {
  QStringEncoder encoder(kCodePage);
  QByteArray bytes = encoder(text);
  const bool encoded = !encoder.hasError();
  if (ok) *ok = encoded;
  if (!encoded) return encodeEachCharacter(text);
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
