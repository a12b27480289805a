#include "scene/scene_json.h"

#include <bit>
#include <cmath>
#include <cstdio>

#include "core/error.h"

namespace vorlanth {
namespace {

constexpr uint64_t kSignBit = uint64_t{1} << 63;
constexpr uint64_t kQuietNaN = 0x7FF8000000000000ull;  // the NaN that arithmetic makes, without its sign

std::string Hex16(uint64_t bits) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(bits));
  return text;
}

// The real a string of RealJson's stands for; false for any other string.
bool ParseSpecialReal(const QString& text, double& x) {
  const std::string s = text.toStdString();
  if (s == "-0") x = -0.0;
  else if (s == "inf") x = std::numeric_limits<double>::infinity();
  else if (s == "-inf") x = -std::numeric_limits<double>::infinity();
  else if (s == "nan") x = std::bit_cast<double>(kQuietNaN);
  else if (s == "-nan") x = std::bit_cast<double>(kQuietNaN | kSignBit);
  else if (s.size() == 20 && s.compare(0, 4, "nan:") == 0) {
    uint64_t bits = 0;
    for (size_t i = 4; i < s.size(); ++i) {
      const char c = s[i];
      if (c >= '0' && c <= '9') bits = bits << 4 | static_cast<uint64_t>(c - '0');
      else if (c >= 'a' && c <= 'f') bits = bits << 4 | static_cast<uint64_t>(c - 'a' + 10);
      else return false;
    }
    x = std::bit_cast<double>(bits);
    return std::isnan(x);
  } else {
    return false;
  }
  return true;
}

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

uint32_t HexValue(const char* p) {
  uint32_t v = 0;
  for (int k = 0; k < 4; ++k) {
    const char c = p[k];
    const uint32_t d = c >= '0' && c <= '9' ? static_cast<uint32_t>(c - '0')
                     : c >= 'a' && c <= 'f' ? static_cast<uint32_t>(c - 'a' + 10)
                                            : static_cast<uint32_t>(c - 'A' + 10);
    v = v << 4 | d;
  }
  return v;
}

// The string that starts at the quote p[i], decoded: two spellings of one key
// ("version" and "\u0076ersion") are the same key. Returns the closing quote's index.
size_t ReadJsonString(const char* p, size_t n, size_t i, std::string& text) {
  for (++i; i < n && p[i] != '"'; ++i) {
    if (p[i] != '\\' || i + 1 >= n) {
      text += p[i];
      continue;
    }
    const char e = p[++i];
    switch (e) {
      case 'b': text += '\b'; break;
      case 'f': text += '\f'; break;
      case 'n': text += '\n'; break;
      case 'r': text += '\r'; break;
      case 't': text += '\t'; break;
      case 'u': {
        if (i + 4 >= n) return n;
        uint32_t code = HexValue(p + i + 1);
        i += 4;
        // A surrogate pair is one character.
        if (code >= 0xD800 && code < 0xDC00 && i + 6 < n && p[i + 1] == '\\' && p[i + 2] == 'u') {
          const uint32_t low = HexValue(p + i + 3);
          if (low >= 0xDC00 && low < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            i += 6;
          }
        }
        AppendUtf8(text, code);
        break;
      }
      default: text += e; break;  // \" \\ \/
    }
  }
  return i;
}

}  // namespace

QJsonValue RealJson(double x) {
  if (std::isfinite(x)) {
    if (x == 0 && std::signbit(x)) return QStringLiteral("-0");
    return x;
  }
  if (std::isinf(x)) return x > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
  const uint64_t bits = std::bit_cast<uint64_t>(x);
  if ((bits & ~kSignBit) == kQuietNaN) return (bits & kSignBit) ? QStringLiteral("-nan") : QStringLiteral("nan");
  return QString::fromStdString("nan:" + Hex16(bits));
}

QJsonArray RealsJson(std::initializer_list<double> values) {
  QJsonArray array;
  for (const double v : values) array.append(RealJson(v));
  return array;
}

std::string FindDuplicateKey(const QByteArray& json) {
  // Qt's objects keep one value per key, so the bytes are walked again: a stack of
  // the objects and arrays open, with the keys each object has shown so far.
  struct TFrame {
    bool IsObject = false;
    bool ExpectKey = false;  // the next string is a key
    std::set<std::string> Keys;
    std::string Key;         // an object's current key
    int64_t Index = 0;       // an array's current item
  };
  std::vector<TFrame> open;
  const auto path = [&open]() {
    std::string where;
    for (const TFrame& f : open) {
      if (f.IsObject) where += (where.empty() ? "" : ".") + f.Key;
      else where += "[" + std::to_string(f.Index) + "]";
    }
    return where;
  };
  const char* p = json.constData();
  const auto n = static_cast<size_t>(json.size());
  for (size_t i = 0; i < n; ++i) {
    switch (p[i]) {
      case '{':
        open.push_back({true, true, {}, {}, 0});
        break;
      case '[':
        open.push_back({false, false, {}, {}, 0});
        break;
      case '}':
      case ']':
        if (!open.empty()) open.pop_back();
        break;
      case ',':
        if (!open.empty()) {
          if (open.back().IsObject) open.back().ExpectKey = true;
          else ++open.back().Index;
        }
        break;
      case '"': {
        std::string text;
        i = ReadJsonString(p, n, i, text);
        if (!open.empty() && open.back().IsObject && open.back().ExpectKey) {
          TFrame& f = open.back();
          f.ExpectKey = false;
          f.Key = text;
          if (!f.Keys.insert(text).second) return path();
        }
        break;
      }
      default:
        break;
    }
  }
  return {};
}

// ---- The reader -----------------------------------------------------------------

void TSceneReader::Fail(const std::string& key, const std::string& reason) const {
  throw Error(Prefix + Where(key) + ": " + reason);
}

std::string TSceneReader::Where(const std::string& key) const {
  if (key.empty()) return Path.empty() ? std::string("the document") : Path;
  return Path.empty() ? key : Path + "." + key;
}

QJsonValue TSceneReader::Take(const char* key) {
  const QString name = QString::fromLatin1(key);
  if (!Object.contains(name)) Fail(key, "missing");
  Used.insert(name);
  return Object.value(name);
}

double TSceneReader::Real(const std::string& key, const QJsonValue& v) const {
  if (v.isDouble()) return v.toDouble();
  double x = 0;
  if (v.isString() && ParseSpecialReal(v.toString(), x)) return x;
  Fail(key, "a number is expected");
}

double TSceneReader::Number(const char* key, double low, double high) {
  return Check(key, Real(key, Take(key)), low, high);
}

double TSceneReader::Number(const char* key, TAnyReal) { return Real(key, Take(key)); }

double TSceneReader::Check(const std::string& key, double x, double low, double high) const {
  if (!(x >= low && x <= high))
    Fail(key, "the value " + Text(x) + " is out of its bounds [" + Text(low) + ", " + Text(high) + "]");
  return x;
}

int64_t TSceneReader::Integer(const char* key, int64_t low, int64_t high) {
  const QJsonValue v = Take(key);
  if (!v.isDouble()) Fail(key, "a number is expected");
  return WholeCheck(key, Check(key, v.toDouble(), static_cast<double>(low), static_cast<double>(high)));
}

int64_t TSceneReader::WholeCheck(const std::string& key, double x) const {
  if (x != std::floor(x)) Fail(key, "a whole number is expected, not " + Text(x));
  return static_cast<int64_t>(x);
}

bool TSceneReader::Bool(const char* key) {
  const QJsonValue v = Take(key);
  if (!v.isBool()) Fail(key, "true or false is expected");
  return v.toBool();
}

std::string TSceneReader::String(const char* key) {
  const QJsonValue v = Take(key);
  if (!v.isString()) Fail(key, "a string is expected");
  const QString text = v.toString();
  if (text.contains(QChar(0))) Fail(key, "a string without NUL characters is expected");
  return text.toStdString();
}

TSceneReader TSceneReader::Child(const char* key) {
  const QJsonValue v = Take(key);
  if (!v.isObject()) Fail(key, "an object is expected");
  return TSceneReader(v.toObject(), Where(key), Prefix);
}

void TSceneReader::Objects(const char* key, int64_t most, const std::function<void(TSceneReader&, int32_t)>& each) {
  const QJsonArray array = Array(key, 0, most);
  for (qsizetype i = 0; i < array.size(); ++i) {
    const std::string at = key + std::string("[") + std::to_string(i) + "]";
    if (!array[i].isObject()) Fail(at, "an object is expected");
    TSceneReader item(array[i].toObject(), Where(at), Prefix);
    each(item, static_cast<int32_t>(i));
  }
}

QJsonArray TSceneReader::Array(const char* key, int64_t fewest, int64_t most) {
  const QJsonValue v = Take(key);
  if (!v.isArray()) Fail(key, "an array is expected");
  const QJsonArray array = v.toArray();
  if (array.size() < fewest || array.size() > most)
    Fail(key, "an array of " +
                  (fewest == most ? std::to_string(fewest) : std::to_string(fewest) + " to " + std::to_string(most)) +
                  " items is expected, not " + std::to_string(array.size()));
  return array;
}

std::vector<double> TSceneReader::Numbers(const char* key, int64_t count, double low, double high) {
  std::vector<double> values = Numbers(key, count, AnyReal);
  for (size_t i = 0; i < values.size(); ++i) Check(key + std::string("[") + std::to_string(i) + "]", values[i], low, high);
  return values;
}

std::vector<double> TSceneReader::Numbers(const char* key, int64_t count, TAnyReal) {
  const QJsonArray array = Array(key, count, count);
  std::vector<double> values;
  for (qsizetype i = 0; i < array.size(); ++i) values.push_back(Real(key + std::string("[") + std::to_string(i) + "]", array[i]));
  return values;
}

void TSceneReader::Done() const {
  for (auto it = Object.begin(); it != Object.end(); ++it)
    if (!Used.count(it.key())) Fail(it.key().toStdString(), it.key().isEmpty() ? "unknown field (an empty name)" : "unknown field");
}

std::string TSceneReader::Text(double x) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.17g", x);
  return buffer;
}

}  // namespace vorlanth
