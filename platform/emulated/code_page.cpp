// Code page 932 through Qt's ICU converters. "CP932" rather than "Shift_JIS":
// the Windows code page has characters (～, ①, ㈱) that strict Shift_JIS lacks.
// ICU's table is IBM's, which swaps three control codes (0x1A, 0x1C, 0x7F)
// with each other; Windows maps every byte below 0x80 to the code point of
// the same number. So only runs of other characters go through the
// converter, and ASCII is taken over as it is.
#include "platform/code_page.h"

#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

namespace win {

namespace {
constexpr const char* kCodePage = "CP932";
// Each run is converted on its own: a run that ends in the middle of a
// character is an error there, not the start of the next run's first one.
constexpr QStringConverter::Flags kRunByRun = QStringConverter::Flag::Stateless;

// Most registry names and values are plain ASCII, which every code page
// shares; they skip the converter, which is costly to set up per call.
bool isAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

bool isTrailByte(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

QString decode(std::string_view ansi, bool* ok = nullptr) {
  if (ok) *ok = true;
  if (isAscii(ansi)) return QString::fromLatin1(ansi.data(), qsizetype(ansi.size()));
  QStringDecoder decoder(kCodePage, kRunByRun);
  QString text;
  text.reserve(qsizetype(ansi.size()));
  for (size_t i = 0; i < ansi.size();) {
    if (static_cast<unsigned char>(ansi[i]) < 0x80) {
      text += QChar(char16_t(ansi[i]));
      ++i;
      continue;
    }
    // A run of characters that are not ASCII; a trail byte below 0x80 is
    // part of its character.
    size_t end = i;
    while (end < ansi.size() && static_cast<unsigned char>(ansi[end]) >= 0x80) {
      const bool pair = isLeadByte(static_cast<unsigned char>(ansi[end])) &&
                        end + 1 < ansi.size() &&
                        isTrailByte(static_cast<unsigned char>(ansi[end + 1]));
      end += pair ? 2 : 1;
    }
    text += decoder(QByteArrayView(ansi.data() + i, qsizetype(end - i)));
    i = end;
  }
  if (ok) *ok = !decoder.hasError();
  return text;
}

// The converter writes its own substitute, 0xFC 0xFC, for a character the
// code page lacks; Windows writes its default character "?". A run with
// such characters is therefore converted again one character at a time, so
// that each of them becomes a single "?" and the bytes are Windows' bytes.
std::string encodeEachCharacter(QStringView text) {
  std::string ansi;
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype length =
        text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate() ? 2 : 1;
    // A new converter each time: one that met an error keeps reporting it.
    QStringEncoder encoder(kCodePage, kRunByRun);
    const QByteArray bytes = encoder(text.mid(i, length));
    if (encoder.hasError() || bytes.isEmpty())
      ansi += '?';
    else
      ansi.append(bytes.constData(), size_t(bytes.size()));
    i += length;
  }
  return ansi;
}

std::string encode(QStringView text, bool* ok = nullptr) {
  std::string ansi;
  ansi.reserve(size_t(text.size()));
  bool encoded = true;
  QStringEncoder encoder(kCodePage, kRunByRun);
  for (qsizetype i = 0; i < text.size();) {
    if (text[i].unicode() < 0x80) {
      ansi += char(text[i].unicode());
      ++i;
      continue;
    }
    qsizetype end = i;
    while (end < text.size() && text[end].unicode() >= 0x80) ++end;
    const QStringView run = text.mid(i, end - i);
    const QByteArray bytes = encoder(run);
    if (encoder.hasError()) {
      encoded = false;
      ansi += encodeEachCharacter(run);
      encoder = QStringEncoder(kCodePage, kRunByRun);
    } else {
      ansi.append(bytes.constData(), size_t(bytes.size()));
    }
    i = end;
  }
  if (ok) *ok = encoded;
  return ansi;
}

QStringView view(std::u16string_view wide) {
  return QStringView(wide.data(), qsizetype(wide.size()));
}
}  // namespace

// The converters always give an answer, as Windows' do for code page 932.
std::optional<std::u16string> ansiToWide(std::string_view ansi) {
  if (isAscii(ansi)) return std::u16string(ansi.begin(), ansi.end());
  QString text = decode(ansi);
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
}

std::optional<std::string> wideToAnsi(std::u16string_view wide) {
  return encode(view(wide));
}

std::string ansiToUtf8(std::string_view ansi) {
  if (isAscii(ansi)) return std::string(ansi);
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
