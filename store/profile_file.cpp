// A profile file holds one slot key as a tree:
//
//   {"format": "Verantu! profile", "version": 1,
//    "profile": {"values": [VALUE...], "keys": [KEY...]}}
//   KEY   = {"name": "Data", "values": [VALUE...], "keys": [KEY...]}
//   VALUE = {"name": "IPAddress", "type": "REG_MULTI_SZ", "text": "10.0.0.1\u0000\u0000"}
//
// Keys and values keep the order the registry enumerates them in. A value's
// data is given in one of three ways, whichever is exact: "text" for a
// string type whose bytes are code page 932 text that converts to Unicode
// and back to the same bytes (the whole data, NULs as \u0000, so a missing
// or extra terminator survives); "dword" for a REG_DWORD of exactly four
// bytes; otherwise "hex", two hex digits per byte. A type is named
// ("REG_SZ") or, when Windows has no name for it, given as its number.
#include "store/profile_file.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <set>
#include <utility>

#include "platform/code_page.h"
#include "platform/registry_limits.h"
#include "store/capture.h"
#include "store/messages.h"
#include "store/profile_store.h"
#include "store/profile_titles.h"
#include "store/registry_access.h"
#include "store/registry_reports.h"
#include "store/script_safe_text.h"
#include "store/store_command.h"
#include "store/system_keys.h"

namespace store {

namespace {

using json = nlohmann::ordered_json;
using win::DWORD;
using win::HKEY;
using win::LONG;

using win::kMaxKeyDepth;
using win::kMaxKeyNameChars;
using win::kMaxValueNameChars;
// A slot key lies five levels below its hive ("Software\Q\Tolvik\Setting\N").
constexpr int kSlotDepth = 5;
// A title is read back into a 256-byte buffer with its NUL.
constexpr std::size_t kMaxTitleBytes = kValueBufferSize - 1;
// Names are enumerated into buffers that hold the longest name Windows
// allows as double-byte text.
constexpr DWORD kKeyNameBufferSize = 2 * kMaxKeyNameChars + 2;
constexpr DWORD kValueNameBufferSize = 2 * kMaxValueNameChars + 2;

constexpr const char* kServicesKey = "SYSTEM\\CurrentControlSet\\Services";

constexpr const char* kEnterTitle = "登録名を入力してください。";
constexpr const char* kStoreChanged =
    "読み込みの間に他のVerantu!が登録内容を変更したため、読み込みませんでした。\n"
    "もう一度実行してください。";
constexpr const char* kImported = "登録ファイルの内容を「%s」として登録しました。";
constexpr const char* kExported = "「%s」を次のファイルに書き出しました。\n%s";
constexpr const char* kNotWritten = "ファイルに書き込めませんでした。\n%s";
constexpr const char* kNotRead = "ファイルを読み込めませんでした。\n%s";
constexpr const char* kProfileUnreadable = "登録内容を読み込めませんでした。（ｴﾗｰｺｰﾄﾞ : %s）";
constexpr const char* kNameNotExportable =
    "登録内容に、ファイルに書き出せない名前が含まれています。\n%s";

// What became of each interface of an imported profile.
constexpr const char* kSameAdapter =
    "[%s] このパソコンの同じアダプタ %s の設定として読み込みました。";
constexpr const char* kMappedAdapter =
    "[%s] アダプタ %s の設定を、このパソコンの同じ接続名のアダプタ %s の設定として読み込みました。";
constexpr const char* kNoAdapter =
    "[%s] 同じ接続名のアダプタがこのパソコンにないため、アダプタ %s の設定のまま読み込みました。";
constexpr const char* kSeveralAdapters =
    "[%s] 同じ接続名のアダプタがこのパソコンに複数あるため、アダプタ %s "
    "の設定のまま読み込みました。";

// Why a file is refused; the first line of the message, then the place.
constexpr const char* kRefused = "登録ファイルとして読み込めません。\n%s : %s";
constexpr const char* kPlaceLine = "%s行目 %s文字目";
constexpr const char* kPlaceField = "項目 %s";
constexpr const char* kSyntax = "JSONの書式が正しくないか、ファイルが途中で切れています。";
constexpr const char* kTooLarge = "ファイルが大きすぎます。";
constexpr const char* kNotProfileFile = "Verantu!の登録ファイルではありません。";
constexpr const char* kUnknownVersion = "この版の登録ファイルには対応していません。";
constexpr const char* kMissing = "この項目がありません。";
constexpr const char* kNotObject = "{ } で囲んだオブジェクトでなければなりません。";
constexpr const char* kNotArray = "[ ] で囲んだ配列でなければなりません。";
constexpr const char* kNotString = "文字列でなければなりません。";
constexpr const char* kNotCodePage = "シフトJIS（コードページ932）で表せない文字が含まれています。";
constexpr const char* kBadKeyName = "キーの名前が空か、\\ を含んでいます。";
constexpr const char* kKeyNameTooLong = "キーの名前が255文字を超えています。";
constexpr const char* kValueNameTooLong = "値の名前が16383文字を超えています。";
constexpr const char* kTooDeep = "キーの階層が512段を超えています。";
constexpr const char* kDuplicateName = "同じ名前が二度あります。";
constexpr const char* kBadType = "値の種類が正しくありません。";
constexpr const char* kBadDataForm =
    "データは \"text\"（文字列の種類）、\"dword\"（REG_DWORD）、\"hex\" "
    "のどれか一つで与えてください。";
constexpr const char* kBadDword = "0 から 4294967295 までの整数でなければなりません。";
constexpr const char* kBadHex = "2桁ずつの16進数でなければなりません。";
constexpr const char* kNoTitle = "登録名（値 Title）がありません。";
constexpr const char* kUnsafeValue = "切り替えのコマンドに使えない文字が含まれています。";

constexpr std::pair<DWORD, const char*> kTypeNames[] = {
    {REG_NONE, "REG_NONE"},
    {REG_SZ, "REG_SZ"},
    {REG_EXPAND_SZ, "REG_EXPAND_SZ"},
    {REG_BINARY, "REG_BINARY"},
    {REG_DWORD, "REG_DWORD"},
    {REG_DWORD_BIG_ENDIAN, "REG_DWORD_BIG_ENDIAN"},
    {REG_LINK, "REG_LINK"},
    {REG_MULTI_SZ, "REG_MULTI_SZ"},
    {REG_RESOURCE_LIST, "REG_RESOURCE_LIST"},
    {9, "REG_FULL_RESOURCE_DESCRIPTOR"},
    {10, "REG_RESOURCE_REQUIREMENTS_LIST"},
    {REG_QWORD, "REG_QWORD"},
};

// One registry value or key as the file holds it. `where` is the place in
// the file a refusal names (a JSON pointer), empty for a key read from the
// registry.
struct Value {
  std::string name;  // ANSI
  DWORD type = REG_NONE;
  std::string data;
  std::string where;
};
struct Key {
  std::string name;  // ANSI; empty for the slot itself
  std::vector<Value> values;
  std::vector<Key> keys;
  std::string where;
};

// A file that cannot be taken: where (already formatted) and why (UTF-8).
struct FileProblem {
  std::string place;
  const char* reason;
};

// "%s" of a format (UTF-8) filled in order with ANSI texts; the result is
// ANSI. No byte of a double-byte character is "%", so the ANSI format's
// "%s" are the ones written.
std::string fill(const char* utf8Format, std::initializer_list<std::string> ansiArguments) {
  std::string format = win::ansiFromUtf8(utf8Format);
  std::string text;
  auto argument = ansiArguments.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format.compare(i, 2, "%s") == 0 && argument != ansiArguments.end()) {
      text += *argument++;
      ++i;
    } else {
      text += format[i];
    }
  }
  return text;
}

bool isAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string toUtf8(std::string_view ansi) {
  return isAscii(ansi) ? std::string(ansi) : win::ansiToUtf8(ansi);
}

// The ANSI text of a file's UTF-8 text; nothing when code page 932 lacks
// one of its characters.
std::optional<std::string> exactAnsi(const std::string& utf8) {
  if (isAscii(utf8)) return utf8;
  std::string ansi = win::ansiFromUtf8(utf8);
  if (win::ansiToUtf8(ansi) != utf8) return std::nullopt;
  return ansi;
}

bool isStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// The text up to the first NUL, as a 256-byte read shows it.
std::string firstString(const std::string& data) {
  return data.substr(0, data.find('\0'));
}

// Names compare as Windows compares them, whatever the letter case; the
// second byte of a double-byte character is never folded.
std::string folded(std::string_view ansi) {
  std::string text(ansi);
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (win::isLeadByte(c) && i + 1 < text.size())
      ++i;
    else if (c >= 'a' && c <= 'z')
      text[i] = char(c - 'a' + 'A');
  }
  return text;
}

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && folded(a) == folded(b);
}

// The components of a registry path (ANSI), split at backslashes that are
// characters of their own.
std::vector<std::string> pathComponents(std::string_view path) {
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (win::isLeadByte(c) && i + 1 < path.size()) {
      parts.back() += path.substr(i++, 2);
    } else if (c == '\\') {
      parts.emplace_back();
    } else {
      parts.back() += char(c);
    }
  }
  return parts;
}

template <typename KeyType>
KeyType* findKey(KeyType& root, std::string_view path) {
  KeyType* key = &root;
  for (const std::string& part : pathComponents(path)) {
    auto it = std::find_if(key->keys.begin(), key->keys.end(),
                           [&](const Key& child) { return sameName(child.name, part); });
    if (it == key->keys.end()) return nullptr;
    key = &*it;
  }
  return key;
}

template <typename KeyType>
auto findValue(KeyType& key, std::string_view name) -> decltype(&key.values.front()) {
  auto it = std::find_if(key.values.begin(), key.values.end(),
                         [&](const Value& value) { return sameName(value.name, name); });
  return it == key.values.end() ? nullptr : &*it;
}

// ---- Reading a slot from the registry and writing its file text ----------

LONG readKey(win::Registry& registry, HKEY key, Key& out, std::vector<char>& nameBuffer) {
  DWORD subKeys = 0;
  DWORD values = 0;
  DWORD maxData = 0;
  if (LONG rc = registry.RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr,
                                          nullptr, &values, nullptr, &maxData, nullptr, nullptr))
    return rc;
  std::string data(std::max<DWORD>(maxData, 1), '\0');
  for (DWORD i = 0; i < values; ++i) {
    Value value;
    LONG rc = ERROR_MORE_DATA;
    DWORD size = 0;
    // A value grown since the key was queried is read again with its size.
    for (int attempt = 0; attempt < 2 && rc == ERROR_MORE_DATA; ++attempt) {
      DWORD nameLength = kValueNameBufferSize;
      size = DWORD(data.size());
      rc = registry.RegEnumValueA(key, i, nameBuffer.data(), &nameLength, nullptr, &value.type,
                                  reinterpret_cast<win::BYTE*>(data.data()), &size);
      if (rc == ERROR_MORE_DATA) data.resize(std::max<std::size_t>(size, data.size() * 2));
      value.name.assign(nameBuffer.data(), nameLength);
    }
    if (rc != ERROR_SUCCESS) return rc;
    value.data.assign(data, 0, size);
    out.values.push_back(std::move(value));
  }
  for (DWORD i = 0; i < subKeys; ++i) {
    if (LONG rc = registry.RegEnumKeyA(key, i, nameBuffer.data(), kKeyNameBufferSize)) return rc;
    Key child;
    child.name = nameBuffer.data();
    HKEY handle = nullptr;
    if (LONG rc = registry.RegOpenKeyExA(key, child.name.c_str(), 0, KEY_READ, &handle)) return rc;
    LONG rc = readKey(registry, handle, child, nameBuffer);
    (void)registry.RegCloseKey(handle);
    if (rc != ERROR_SUCCESS) return rc;
    out.keys.push_back(std::move(child));
  }
  return ERROR_SUCCESS;
}

std::string hexOf(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (char byte : bytes) {
    unsigned char c = static_cast<unsigned char>(byte);
    hex += kDigits[c >> 4];
    hex += kDigits[c & 0xF];
  }
  return hex;
}

json valueJson(const Value& value) {
  json object;
  object["name"] = toUtf8(value.name);
  auto named = std::find_if(std::begin(kTypeNames), std::end(kTypeNames),
                            [&](const auto& entry) { return entry.first == value.type; });
  if (named != std::end(kTypeNames))
    object["type"] = named->second;
  else
    object["type"] = value.type;
  if (value.type == REG_DWORD && value.data.size() == 4) {
    const auto* b = reinterpret_cast<const unsigned char*>(value.data.data());
    object["dword"] = DWORD(b[0]) | DWORD(b[1]) << 8 | DWORD(b[2]) << 16 | DWORD(b[3]) << 24;
  } else if (isStringType(value.type) &&
             (isAscii(value.data) || win::isRoundTripAnsi(value.data))) {
    object["text"] = toUtf8(value.data);
  } else {
    object["hex"] = hexOf(value.data);
  }
  return object;
}

// Names go into the file as text, so one that is not code page 932 text
// cannot be written; `path` names the first such key or value.
json keyJson(const Key& key, const std::string& path, std::string& badName) {
  json object;
  if (!key.name.empty()) object["name"] = toUtf8(key.name);
  json values = json::array();
  for (const Value& value : key.values) {
    if (!win::isRoundTripAnsi(value.name) && badName.empty()) badName = path + " : " + value.name;
    values.push_back(valueJson(value));
  }
  object["values"] = std::move(values);
  json keys = json::array();
  for (const Key& child : key.keys) {
    std::string childPath = path + "\\" + child.name;
    if (!win::isRoundTripAnsi(child.name) && badName.empty()) badName = childPath;
    keys.push_back(keyJson(child, childPath, badName));
  }
  object["keys"] = std::move(keys);
  return object;
}

// ---- Reading a file --------------------------------------------------------

std::string fieldPlace(const std::string& pointer) {
  return fill(kPlaceField, {pointer.empty() ? "/" : pointer});
}

// Line and character (both from 1) of the byte a parse stopped at.
std::string linePlace(std::string_view text, std::size_t byte) {
  std::size_t end = std::min(byte > 0 ? byte - 1 : 0, text.size());
  std::size_t line = 1;
  std::size_t column = 1;
  for (std::size_t i = 0; i < end; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\n') {
      ++line;
      column = 1;
    } else if ((c & 0xC0) != 0x80) {
      ++column;  // a character starts here (not a UTF-8 continuation byte)
    }
  }
  return fill(kPlaceLine, {std::to_string(line), std::to_string(column)});
}

[[noreturn]] void refuse(const std::string& pointer, const char* reason) {
  throw FileProblem{fieldPlace(pointer), reason};
}

const json& member(const json& object, const char* name, const std::string& where) {
  auto it = object.find(name);
  if (it == object.end()) refuse(where + "/" + name, kMissing);
  return *it;
}

// Windows counts a name's length in UTF-16 code units.
std::size_t utf16Length(const std::string& utf8) {
  std::size_t units = 0;
  for (char byte : utf8) {
    unsigned char c = static_cast<unsigned char>(byte);
    if ((c & 0xC0) != 0x80) units += c >= 0xF0 ? 2 : 1;
  }
  return units;
}

std::string readName(const json& object, const std::string& where, std::size_t maxChars,
                     const char* tooLong) {
  const json& name = member(object, "name", where);
  if (!name.is_string()) refuse(where + "/name", kNotString);
  const std::string& utf8 = name.get_ref<const std::string&>();
  if (utf16Length(utf8) > maxChars) refuse(where + "/name", tooLong);
  std::optional<std::string> ansi = exactAnsi(utf8);
  if (!ansi) refuse(where + "/name", kNotCodePage);
  return std::move(*ansi);
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

Value readValue(const json& object, const std::string& where) {
  if (!object.is_object()) refuse(where, kNotObject);
  Value value;
  value.where = where;
  value.name = readName(object, where, kMaxValueNameChars, kValueNameTooLong);

  const json& type = member(object, "type", where);
  if (type.is_string()) {
    auto named = std::find_if(std::begin(kTypeNames), std::end(kTypeNames), [&](const auto& e) {
      return type.get_ref<const std::string&>() == e.second;
    });
    if (named == std::end(kTypeNames)) refuse(where + "/type", kBadType);
    value.type = named->first;
  } else if (type.is_number_unsigned() && type.get<std::uint64_t>() <= 0xFFFFFFFFu) {
    value.type = DWORD(type.get<std::uint64_t>());
  } else {
    refuse(where + "/type", kBadType);
  }

  const bool hasText = object.contains("text");
  const bool hasDword = object.contains("dword");
  const bool hasHex = object.contains("hex");
  if (hasText + hasDword + hasHex != 1) refuse(where, kBadDataForm);
  if (hasText) {
    const json& text = object["text"];
    if (!isStringType(value.type)) refuse(where + "/text", kBadDataForm);
    if (!text.is_string()) refuse(where + "/text", kNotString);
    std::optional<std::string> ansi = exactAnsi(text.get_ref<const std::string&>());
    if (!ansi) refuse(where + "/text", kNotCodePage);
    value.data = std::move(*ansi);
  } else if (hasDword) {
    const json& number = object["dword"];
    if (value.type != REG_DWORD) refuse(where + "/dword", kBadDataForm);
    if (!number.is_number_unsigned() || number.get<std::uint64_t>() > 0xFFFFFFFFu)
      refuse(where + "/dword", kBadDword);
    const DWORD n = DWORD(number.get<std::uint64_t>());
    for (int shift = 0; shift < 32; shift += 8) value.data += char((n >> shift) & 0xFF);
  } else {
    const json& hex = object["hex"];
    if (!hex.is_string()) refuse(where + "/hex", kNotString);
    const std::string& digits = hex.get_ref<const std::string&>();
    if (digits.size() % 2) refuse(where + "/hex", kBadHex);
    value.data.reserve(digits.size() / 2);
    for (std::size_t i = 0; i < digits.size(); i += 2) {
      int high = hexDigit(digits[i]);
      int low = hexDigit(digits[i + 1]);
      if (high < 0 || low < 0) refuse(where + "/hex", kBadHex);
      value.data += char(high << 4 | low);
    }
  }
  return value;
}

// `depth` is the key's level below its hive.
Key readKeyJson(const json& object, const std::string& where, int depth, bool named) {
  if (!object.is_object()) refuse(where, kNotObject);
  if (std::size_t(depth) > kMaxKeyDepth) refuse(where, kTooDeep);
  Key key;
  key.where = where;
  if (named) {
    key.name = readName(object, where, kMaxKeyNameChars, kKeyNameTooLong);
    if (key.name.empty() || pathComponents(key.name).size() != 1)
      refuse(where + "/name", kBadKeyName);
  }
  std::set<std::string> names;
  const json& values = member(object, "values", where);
  if (!values.is_array()) refuse(where + "/values", kNotArray);
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::string place = where + "/values/" + std::to_string(i);
    key.values.push_back(readValue(values[i], place));
    if (!names.insert(folded(key.values.back().name)).second)
      refuse(place + "/name", kDuplicateName);
  }
  names.clear();
  const json& keys = member(object, "keys", where);
  if (!keys.is_array()) refuse(where + "/keys", kNotArray);
  for (std::size_t i = 0; i < keys.size(); ++i) {
    std::string place = where + "/keys/" + std::to_string(i);
    key.keys.push_back(readKeyJson(keys[i], place, depth + 1, true));
    if (!names.insert(folded(key.keys.back().name)).second) refuse(place + "/name", kDuplicateName);
  }
  return key;
}

Key readFile(std::string_view text) {
  if (text.size() > kMaxProfileFileBytes) throw FileProblem{fieldPlace(""), kTooLarge};
  json document;
  try {
    document = json::parse(text.begin(), text.end());
  } catch (const json::parse_error& error) {
    throw FileProblem{linePlace(text, error.byte), kSyntax};
  } catch (const json::exception&) {
    // A number too large for any type: no place is known.
    throw FileProblem{fieldPlace(""), kSyntax};
  }
  if (!document.is_object()) refuse("", kNotObject);
  auto format = document.find("format");
  if (format == document.end() || !format->is_string() ||
      format->get_ref<const std::string&>() != kProfileFileFormat)
    refuse("/format", kNotProfileFile);
  const json& version = member(document, "version", "");
  if (!version.is_number_integer() || version.get<std::int64_t>() != kProfileFileVersion)
    refuse("/version", kUnknownVersion);
  return readKeyJson(member(document, "profile", ""), "/profile", kSlotDepth, false);
}

// What a switch would put into its script from this profile must be what
// it is: connection names that quoting carries, addresses, masks, gateways,
// metrics and DNS servers of digits and dots. Every interface key of the
// profile is checked, also those no adapter names today.
void checkScriptValues(const Key& slot) {
  const Key* data = findKey(slot, "Data");
  if (!data) return;
  const Key* adapters = findKey(*data, kAdaptersKey);
  const Key* network = findKey(*data, kNetworkKey);
  const Key* services = findKey(*data, kServicesKey);
  std::vector<const Key*> interfaceKeys;
  if (const Key* interfaces = findKey(*data, kInterfacesKey))
    for (const Key& key : interfaces->keys) interfaceKeys.push_back(&key);
  static const std::vector<Key> kNone;
  for (const Key& adapter : adapters ? adapters->keys : kNone) {
    if (adapter.name.front() != '{') continue;
    if (const Key* connection =
            network ? findKey(*network, adapter.name + "\\Connection") : nullptr)
      if (const Value* name = findValue(*connection, "Name"))
        if (!IsScriptSafeText(firstString(name->data))) refuse(name->where, kUnsafeValue);
    if (const Value* ipConfig = findValue(adapter, "IpConfig"))
      if (const Key* key = services ? findKey(*services, firstString(ipConfig->data)) : nullptr)
        interfaceKeys.push_back(key);
  }
  for (const Key* key : interfaceKeys) {
    for (const Value& value : key->values) {
      const bool list = sameName(value.name, "IPAddress") || sameName(value.name, "SubnetMask") ||
                        sameName(value.name, "DefaultGateway") ||
                        sameName(value.name, "DefaultGatewayMetric");
      const bool servers = sameName(value.name, "NameServer");
      if (!list && !servers) continue;
      // Strings end at NULs, DNS servers at commas as well; each piece on
      // its own must be address text.
      std::string pieces = value.data;
      if (servers) std::replace(pieces.begin(), pieces.end(), ',', '\0');
      std::replace(pieces.begin(), pieces.end(), '\0', '.');
      if (!IsAddressText(pieces)) refuse(value.where, kUnsafeValue);
    }
  }
}

// ---- Interfaces of another machine -----------------------------------------

struct LiveAdapter {
  std::string id;
  std::string name;
};

std::vector<LiveAdapter> liveAdapters(const Context& ctx) {
  std::vector<std::string> paths;
  int count = 0;  // a missing key lists no adapter
  (void)EnumerateSubkeyPaths(ctx, HKEY_LOCAL_MACHINE, kAdaptersKey, paths, count);
  std::vector<LiveAdapter> adapters;
  const std::size_t prefix = std::string(kAdaptersKey).size() + 1;
  for (const std::string& path : paths) {
    LiveAdapter adapter{path.substr(prefix), {}};
    if (adapter.id.empty() || adapter.id.front() != '{') continue;
    if (ReadStringValue(ctx, HKEY_LOCAL_MACHINE, kNetworkKeyPrefix + adapter.id + "\\Connection",
                        "Name", adapter.name) == 0)
      adapters.push_back(std::move(adapter));
  }
  return adapters;
}

// Renames every key of the profile that belongs to adapter `from`: its
// entry in the adapters key, its key of the network class, its own service
// key, and the interface key its IpConfig names (whose text follows).
void renameAdapter(Key& data, Key& adapter, const std::string& to) {
  const std::string from = adapter.name;
  adapter.name = to;
  if (Key* network = findKey(data, kNetworkKey))
    if (Key* key = findKey(*network, from)) key->name = to;
  Key* services = findKey(data, kServicesKey);
  if (!services) return;
  if (Value* ipConfig = findValue(adapter, "IpConfig")) {
    const std::string path = firstString(ipConfig->data);
    std::vector<std::string> parts = pathComponents(path);
    if (sameName(parts.back(), from)) {
      if (Key* key = findKey(*services, path)) key->name = to;
      ipConfig->data.replace(path.size() - parts.back().size(), parts.back().size(), to);
    }
  }
  if (Key* key = findKey(*services, from)) key->name = to;
}

std::vector<std::string> mapInterfaces(const Context& ctx, Key& slot) {
  std::vector<std::string> lines;
  Key* data = findKey(slot, "Data");
  Key* adapters = data ? findKey(*data, kAdaptersKey) : nullptr;
  if (!adapters) return lines;
  const Key* network = findKey(*data, kNetworkKey);
  const std::vector<LiveAdapter> live = liveAdapters(ctx);

  // An adapter of this machine that the file names already is not taken
  // for another one: its keys would meet in one.
  std::set<std::string> taken;
  for (const Key& adapter : adapters->keys) taken.insert(folded(adapter.name));
  for (const Key* parent : {network, static_cast<const Key*>(findKey(*data, kServicesKey))})
    if (parent)
      for (const Key& key : parent->keys) taken.insert(folded(key.name));

  for (Key& adapter : adapters->keys) {
    if (adapter.name.front() != '{') continue;
    const Key* connection = network ? findKey(*network, adapter.name + "\\Connection") : nullptr;
    const Value* nameValue = connection ? findValue(*connection, "Name") : nullptr;
    // Without a connection name it is no interface the program shows.
    if (!nameValue) continue;
    const std::string name = firstString(nameValue->data);
    const std::string from = adapter.name;
    if (std::any_of(live.begin(), live.end(),
                    [&](const LiveAdapter& a) { return sameName(a.id, from); })) {
      lines.push_back(fill(kSameAdapter, {name, from}));
      continue;
    }
    std::vector<const LiveAdapter*> matches;
    for (const LiveAdapter& a : live)
      if (folded(a.name) == folded(name) && !taken.count(folded(a.id))) matches.push_back(&a);
    if (matches.size() == 1) {
      const std::string to = matches.front()->id;
      renameAdapter(*data, adapter, to);
      taken.insert(folded(to));
      lines.push_back(fill(kMappedAdapter, {name, from, to}));
    } else {
      lines.push_back(fill(matches.empty() ? kNoAdapter : kSeveralAdapters, {name, from}));
    }
  }
  return lines;
}

// ---- Writing a slot --------------------------------------------------------

// Writes the values and subkeys of `key` into the open `handle`, skipping
// the values named in `skip`. Stops at the first failure; the command sees
// it and undoes the whole import.
LONG writeKey(win::Registry& registry, HKEY handle, const Key& key,
              std::initializer_list<const char*> skip = {}) {
  for (const Value& value : key.values) {
    if (std::any_of(skip.begin(), skip.end(),
                    [&](const char* name) { return sameName(value.name, name); }))
      continue;
    if (LONG rc = registry.RegSetValueExA(handle, value.name.c_str(), 0, value.type,
                                          reinterpret_cast<const win::BYTE*>(value.data.data()),
                                          DWORD(value.data.size())))
      return rc;
  }
  for (const Key& child : key.keys) {
    HKEY childHandle = nullptr;
    if (LONG rc =
            registry.RegCreateKeyExA(handle, child.name.c_str(), 0, "", REG_OPTION_NON_VOLATILE,
                                     KEY_ALL_ACCESS, nullptr, &childHandle, nullptr))
      return rc;
    LONG rc = writeKey(registry, childHandle, child);
    (void)registry.RegCloseKey(childHandle);
    if (rc != ERROR_SUCCESS) return rc;
  }
  return ERROR_SUCCESS;
}

// A new slot gets the file's values with the title chosen; an existing one
// keeps its Title and Count, as a capture over it does, and loses every
// subkey it had, so that its content is the file's alone.
LONG writeSlot(win::Registry& registry, int slot, const Key& profile, const std::string& title,
               bool existing) {
  HKEY handle = nullptr;
  if (LONG rc = registry.RegCreateKeyExA(HKEY_LOCAL_MACHINE, SlotPath(slot).c_str(), 0, "",
                                         REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &handle,
                                         nullptr))
    return rc;
  LONG rc = ERROR_SUCCESS;
  if (existing) {
    std::vector<std::string> subkeys;
    char name[kKeyNameBufferSize] = {};
    for (DWORD i = 0; registry.RegEnumKeyA(handle, i, name, sizeof name) == ERROR_SUCCESS; ++i)
      subkeys.emplace_back(name);
    for (const std::string& subkey : subkeys)
      if (rc == ERROR_SUCCESS) rc = LONG(registry.SHDeleteKeyA(handle, subkey.c_str()));
    if (rc == ERROR_SUCCESS) rc = writeKey(registry, handle, profile, {"Title", "Count"});
  } else {
    // The title is stored with its NUL, as a capture stores it.
    rc = registry.RegSetValueExA(handle, "Title", 0, REG_SZ,
                                 reinterpret_cast<const win::BYTE*>(title.c_str()),
                                 DWORD(title.size() + 1));
    if (rc == ERROR_SUCCESS) rc = writeKey(registry, handle, profile, {"Title"});
  }
  (void)registry.RegCloseKey(handle);
  return rc;
}

}  // namespace

std::optional<std::string> ExportProfile(const Context& outer, const std::string& title) {
  // The slot is read whole while no other command changes the store.
  StoreCommand command(outer, StoreChange::Export);
  if (!command.locked()) return std::nullopt;
  const Context& ctx = command.context();
  std::optional<int> index = LocateSelectedProfile(ctx, title);
  if (!index) return std::nullopt;

  win::Registry& registry = ctx.registry();
  Key slot;
  std::vector<char> nameBuffer(kValueNameBufferSize);
  HKEY handle = nullptr;
  LONG rc = registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, SlotPath(*index + 1).c_str(), 0, KEY_READ,
                                   &handle);
  if (rc == ERROR_SUCCESS) {
    rc = readKey(registry, handle, slot, nameBuffer);
    (void)registry.RegCloseKey(handle);
  }
  if (rc != ERROR_SUCCESS) {
    ShowAnsiError(ctx, fill(kProfileUnreadable, {std::to_string(rc)}));
    return std::nullopt;
  }

  std::string badName;
  json document;
  document["format"] = kProfileFileFormat;
  document["version"] = kProfileFileVersion;
  document["profile"] = keyJson(slot, SlotPath(*index + 1), badName);
  if (!badName.empty()) {
    ShowAnsiError(ctx, fill(kNameNotExportable, {badName}));
    return std::nullopt;
  }
  return document.dump(2) + "\n";
}

ImportResult ImportProfile(const Context& outer, std::string_view fileText,
                           const std::optional<std::string>& asTitle, ProfileSelector* selector) {
  ImportResult result;
  Key profile;
  try {
    profile = readFile(fileText);
    checkScriptValues(profile);
  } catch (const FileProblem& problem) {
    ShowAnsiError(outer, fill(kRefused, {problem.place, win::ansiFromUtf8(problem.reason)}));
    return result;
  }

  std::string title;
  if (asTitle) {
    title = *asTitle;
  } else {
    const Value* stored = findValue(profile, "Title");
    if (!stored || !isStringType(stored->type)) {
      ShowAnsiError(outer, fill(kRefused, {fieldPlace(profile.where + "/values"),
                                           win::ansiFromUtf8(kNoTitle)}));
      return result;
    }
    title = firstString(stored->data);
    if (!win::isRoundTripAnsi(title)) {
      ShowAnsiError(outer,
                    fill(kRefused, {fieldPlace(stored->where), win::ansiFromUtf8(kNotCodePage)}));
      return result;
    }
  }
  if (title.empty()) {
    ShowAnsiError(outer, win::ansiFromUtf8(kEnterTitle));
    return result;
  }
  // A longer title would be stored but never read back, and would end
  // every lookup at its slot.
  if (title.size() > kMaxTitleBytes) {
    ShowAnsiError(outer, win::ansiFromUtf8(kTitleTooLongText));
    return result;
  }

  // The question comes before the store is locked; under the lock the
  // answer is checked to still fit what the store holds.
  TitleLookup asked = FindProfileByTitle(outer, title);
  if (asked.interrupted) return result;
  if (asked.index) {
    if (outer.messageBox(win::ansiFromUtf8(kAskOverwriteText), win::ansiFromUtf8(kConfirmCaption),
                         MB_YESNO | MB_ICONWARNING) != IDYES)
      return result;
  } else {
    int slotCount = 0;
    DWORD comboActive = 0;
    // A store that cannot be read counts as empty here; the command
    // itself reads it again under the lock.
    (void)ReadStoreInfo(outer, slotCount, comboActive);
    if (slotCount >= kMaxProfiles) {
      ShowAnsiError(outer, win::ansiFromUtf8(kStoreFullText));
      return result;
    }
  }

  StoreCommand command(outer, StoreChange::Import);
  if (!command.locked()) return result;
  const Context& ctx = command.context();
  TitleLookup lookup = FindProfileByTitle(ctx, title);
  if (lookup.interrupted) return result;
  if (lookup.index.has_value() != asked.index.has_value()) {
    ShowAnsiError(ctx, win::ansiFromUtf8(kStoreChanged));
    return result;
  }
  int index = 0;
  if (lookup.index) {
    index = *lookup.index;
  } else {
    int slotCount = 0;
    DWORD comboActive = 0;
    // A store without slots reads as empty.
    (void)ReadStoreInfo(ctx, slotCount, comboActive);
    if (slotCount >= kMaxProfiles) {
      ShowAnsiError(ctx, win::ansiFromUtf8(kStoreFullText));
      return result;
    }
    index = slotCount;
  }
  std::vector<std::string> lines = mapInterfaces(ctx, profile);

  if (!command.beginWrites()) return result;
  if (writeSlot(ctx.registry(), index + 1, profile, title, lookup.index.has_value()) ==
      ERROR_SUCCESS)
    (void)WriteComboActive(ctx, DWORD(index));  // a failure is seen by the command
  if (!command.commitWrites()) return result;

  result.imported = true;
  result.appendTitle = !lookup.index;
  result.title = title;
  result.interfaceLines = lines;
  if (selector) {
    if (result.appendTitle) selector->appendItem(title);
    selector->setText(title);
  }
  std::string text = fill(kImported, {title});
  for (const std::string& line : lines) text += "\n" + line;
  ctx.messageBox(text, win::ansiFromUtf8(kInformationCaption), MB_OK | MB_ICONINFORMATION);
  return result;
}

void ReportProfileFileWritten(const Context& ctx, const std::string& title,
                              const std::string& path) {
  ctx.messageBox(fill(kExported, {title, path}), win::ansiFromUtf8(kInformationCaption),
                 MB_OK | MB_ICONINFORMATION);
}

void ReportProfileFileNotWritten(const Context& ctx, const std::string& path) {
  ShowAnsiError(ctx, fill(kNotWritten, {path}));
}

void ReportProfileFileNotRead(const Context& ctx, const std::string& path) {
  ShowAnsiError(ctx, fill(kNotRead, {path}));
}

}  // namespace store
