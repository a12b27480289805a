#pragma once
// What a scene's JSON holds and how it is read back: real numbers written so that
// every double comes back with its very bits, and a reader that takes each field
// once, by name, with its type and bounds, naming the field's path and the reason
// when it refuses one.

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

#include <cstdint>
#include <functional>
#include <limits>
#include <set>
#include <string>
#include <vector>

namespace vorlanth {

// A real number as a scene holds it: a JSON number, or a string for the values a
// JSON number cannot carry: "-0", "inf", "-inf", "nan" and "-nan" (the quiet NaN
// of either sign), or "nan:" and the 16 hexadecimal digits of another NaN's bits.
QJsonValue RealJson(double x);
// The same for a list of reals.
QJsonArray RealsJson(std::initializer_list<double> values);

// Where in `json` (a document Qt has already parsed) an object holds one key twice:
// the second key's path (teams[0].players[2].color), or empty when none does.
std::string FindDuplicateKey(const QByteArray& json);

// Any real at all, non-finite ones included: the bounds of scratch values that the
// model may carry past the largest number (a score's step factor, say).
struct TAnyReal {};
inline constexpr TAnyReal AnyReal{};

// One JSON object being read, with where it stands in the file: every field is
// read once, by name, with its type and bounds; Done refuses the fields left over.
class TSceneReader {
 public:
  TSceneReader(QJsonObject object, std::string path, const std::string& prefix)
      : Object(std::move(object)), Path(std::move(path)), Prefix(prefix) {}

  // Throws Error: the prefix (which names the file), the field's path, the reason.
  [[noreturn]] void Fail(const std::string& key, const std::string& reason) const;
  std::string Where(const std::string& key) const;

  QJsonValue Take(const char* key);
  bool Has(const char* key) const { return Object.contains(QString::fromLatin1(key)); }

  // A real within [low, high] (a NaN is never within).
  double Number(const char* key, double low, double high);
  double Number(const char* key, TAnyReal);
  double Check(const std::string& key, double x, double low, double high) const;
  // A real from a value of the document: a number, or one of RealJson's strings.
  double Real(const std::string& key, const QJsonValue& v) const;
  int64_t Integer(const char* key, int64_t low, int64_t high);
  int64_t WholeCheck(const std::string& key, double x) const;
  bool Bool(const char* key);
  // A string without NUL characters (a file name cannot hold one).
  std::string String(const char* key);
  TSceneReader Child(const char* key);
  // An array of objects, each read by `each` with its reader (which calls Done).
  void Objects(const char* key, int64_t most, const std::function<void(TSceneReader&, int32_t)>& each);
  QJsonArray Array(const char* key, int64_t fewest, int64_t most);
  // An array of exactly `count` reals within the bounds, or of any reals.
  std::vector<double> Numbers(const char* key, int64_t count, double low, double high);
  std::vector<double> Numbers(const char* key, int64_t count, TAnyReal);
  void Done() const;

  static std::string Text(double x);

 private:
  QJsonObject Object;
  std::string Path;
  const std::string& Prefix;
  std::set<QString> Used;
};

}  // namespace vorlanth
