#pragma once
// The summary a run prints, read back by the runner's tests.

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <sstream>
#include <string>

namespace vorlanth {

// The last line of a run's stdout, its summary, as a JSON object.
inline QJsonObject Summary(const std::string& out) {
  std::string line, last;
  std::istringstream in(out);
  while (std::getline(in, line))
    if (!line.empty()) last = line;
  QJsonParseError error;
  const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(last), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << out;
  return json.object();
}

}  // namespace vorlanth
