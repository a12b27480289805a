#include "tools/league.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <istream>
#include <iterator>
#include <map>
#include <ostream>
#include <sstream>

#include "bench/body_kinds.h"
#include "core/error.h"
#include "render/output_file.h"

namespace vorlanth {
namespace {

// The behaviour metrics of one group, as the runner names them; deaths are
// flattened to deaths_<cause>.
const char* const kMetrics[] = {"players", "survivors", "deaths_wall", "deaths_collision",
                                "deaths_energy", "deaths_left_picture", "distance", "health",
                                "energy", "drop_energy", "stored_energy", "collisions", "splits"};
// The Markdown table's headings for kMetrics.
const char* const kHeadings[] = {"players", "survivors", "died: wall", "died: collision",
                                 "ran dry", "left picture", "distance (px)", "health", "energy",
                                 "drop energy", "stored", "collisions", "splits"};
constexpr size_t kLead = 2;  // cycles, futures_per_cycle

double Number(const QJsonObject& object, const std::string& key, const std::string& where) {
  const QJsonValue value = object.value(QString::fromStdString(key));
  if (!value.isDouble()) throw Error("The summary of " + where + " has no number \"" + key + "\".");
  return value.toDouble();
}

void ReadGroup(const QJsonObject& group, const std::string& where, std::vector<double>& values) {
  const QJsonObject deaths = group.value(QStringLiteral("deaths")).toObject();
  for (const char* metric : kMetrics) {
    const std::string name = metric;
    if (name.rfind("deaths_", 0) == 0) {
      values.push_back(Number(deaths, name.substr(7), where + " (deaths)"));
    } else {
      values.push_back(Number(group, name, where));
    }
  }
}

// Up to one decimal, without a trailing ".0".
std::string Short(double x) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", x);
  std::string s = text;
  if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
  if (s == "-0") s = "0";
  return s;
}

// As the runner gave it: whole numbers bare, others to hundredths.
std::string Full(double x) {
  char text[32];
  if (x == std::round(x) && std::fabs(x) < 1e15) {
    std::snprintf(text, sizeof text, "%.0f", x);
  } else {
    std::snprintf(text, sizeof text, "%.2f", x);
  }
  return text;
}

std::string ReadText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw Error("Cannot read the suite \"" + path + "\".");
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace

const std::vector<std::string>& LeagueColumns() {
  static const std::vector<std::string> columns = [] {
    std::vector<std::string> c = {"cycles", "futures_per_cycle"};
    for (const char* metric : kMetrics) c.emplace_back(metric);
    for (const TBodyKindInfo& kind : BodyKinds())
      for (const char* metric : kMetrics) c.push_back(kind.Name + "_" + metric);
    return c;
  }();
  return columns;
}

std::vector<std::string> SuiteScenarios(const std::string& suite, int32_t& runs) {
  std::vector<std::string> scenarios;
  runs = 0;
  std::istringstream lines(suite);
  std::string line;
  for (int32_t number = 1; std::getline(lines, line); ++number) {
    std::istringstream words(line);
    std::string word, name;
    if (!(words >> word) || word[0] == '#') continue;
    ++runs;
    do {
      if (word == "--name" && (words >> name)) break;
    } while (words >> word);
    if (name.empty())
      throw Error("Line " + std::to_string(number) + " of the suite names no scenario (--name NAME).");
    if (std::find(scenarios.begin(), scenarios.end(), name) == scenarios.end()) scenarios.push_back(name);
  }
  return scenarios;
}

TLeagueRun ParseLeagueRun(const std::string& line) {
  QJsonParseError error;
  const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
  if (error.error != QJsonParseError::NoError || !json.isObject())
    throw Error("Not the summary of a run: \"" + line.substr(0, 80) + "\".");
  const QJsonObject summary = json.object();
  TLeagueRun run;
  run.Scenario = summary.value(QStringLiteral("name")).toString().toStdString();
  if (run.Scenario.empty()) throw Error("A run without a name (--name): \"" + line.substr(0, 80) + "\".");
  const std::string where = "a run of " + run.Scenario;
  if (summary.value(QStringLiteral("stopped_early")).toBool())
    throw Error("A run of \"" + run.Scenario + "\" stopped early (" +
                summary.value(QStringLiteral("error")).toString().toStdString() + "): no league.");
  run.Seed = static_cast<int64_t>(Number(summary, "seed", where));
  run.Values = {Number(summary, "cycles", where), Number(summary, "futures_per_cycle", where)};
  ReadGroup(summary, where, run.Values);
  const QJsonObject kinds = summary.value(QStringLiteral("kinds")).toObject();
  for (const TBodyKindInfo& kind : BodyKinds())
    ReadGroup(kinds.value(QString::fromStdString(kind.Name)).toObject(), where + " (" + kind.Name + ")", run.Values);
  return run;
}

std::string LeagueCsv(const std::vector<std::string>& scenarios, std::vector<TLeagueRun> runs) {
  auto rank = [&](const TLeagueRun& run) {
    return std::find(scenarios.begin(), scenarios.end(), run.Scenario) - scenarios.begin();
  };
  std::stable_sort(runs.begin(), runs.end(), [&](const TLeagueRun& a, const TLeagueRun& b) {
    return rank(a) != rank(b) ? rank(a) < rank(b) : a.Seed < b.Seed;
  });
  std::string csv = "scenario,seed";
  for (const std::string& column : LeagueColumns()) csv += "," + column;
  csv += "\n";
  for (const TLeagueRun& run : runs) {
    csv += run.Scenario + "," + std::to_string(run.Seed);
    for (const double value : run.Values) csv += "," + Full(value);
    csv += "\n";
  }
  return csv;
}

std::string LeagueTable(const std::vector<std::string>& scenarios, const std::vector<TLeagueRun>& runs) {
  std::string table = "| scenario | seeds |";
  std::string rule = "|---|---|";
  for (const char* heading : kHeadings) {
    table += std::string(" ") + heading + " |";
    rule += "---|";
  }
  table += "\n" + rule + "\n";
  for (const std::string& scenario : scenarios) {
    std::vector<const TLeagueRun*> group;
    for (const TLeagueRun& run : runs)
      if (run.Scenario == scenario) group.push_back(&run);
    if (group.empty()) continue;
    const double n = static_cast<double>(group.size());
    table += "| " + scenario + " | " + std::to_string(group.size()) + " |";
    for (size_t m = 0; m < std::size(kMetrics); ++m) {
      double sum = 0;
      for (const TLeagueRun* run : group) sum += run->Values[kLead + m];
      const double mean = sum / n;
      double squares = 0;
      for (const TLeagueRun* run : group) squares += std::pow(run->Values[kLead + m] - mean, 2);
      // The sample standard deviation: the spread between seeds.
      const double spread = group.size() > 1 ? std::sqrt(squares / (n - 1)) : 0;
      table += " " + Short(mean) + " ± " + Short(spread) + " |";
    }
    table += "\n";
  }
  return table;
}

int RunLeague(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
              std::ostream& err) {
  const char* const usage = "usage: vorlanth-league --suite FILE --csv FILE < runs\n";
  std::string suitePath, csvPath;
  for (size_t i = 0; i < args.size(); ++i) {
    const bool value = i + 1 < args.size() && !args[i + 1].empty();
    if (args[i] == "--suite" && value) {
      suitePath = args[++i];
    } else if (args[i] == "--csv" && value) {
      csvPath = args[++i];
    } else {
      err << "vorlanth-league: bad argument \"" << args[i] << "\"\n" << usage;
      return 2;
    }
  }
  if (suitePath.empty() || csvPath.empty()) {
    err << "vorlanth-league: --suite and --csv are both needed\n" << usage;
    return 2;
  }
  try {
    int32_t expected = 0;
    const std::vector<std::string> scenarios = SuiteScenarios(ReadText(suitePath), expected);
    std::vector<TLeagueRun> runs;
    std::string line;
    while (std::getline(in, line)) {
      if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
      runs.push_back(ParseLeagueRun(line));
      if (std::find(scenarios.begin(), scenarios.end(), runs.back().Scenario) == scenarios.end())
        throw Error("A run of \"" + runs.back().Scenario + "\", which the suite does not hold.");
      err << "\rleague: " << runs.size() << "/" << expected << " runs done" << std::flush;
    }
    err << '\n';
    if (static_cast<int32_t>(runs.size()) != expected)
      throw Error(std::to_string(runs.size()) + " of the suite's " + std::to_string(expected) +
                  " runs finished: no league.");
    const std::string csv = LeagueCsv(scenarios, runs);
    QSaveFile file(OutputName(csvPath, "Cannot write \"" + csvPath + "\": "));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(csv.data(), static_cast<qint64>(csv.size())) != static_cast<qint64>(csv.size()) ||
        !file.commit())
      throw Error("Cannot write \"" + csvPath + "\": " + file.errorString().toStdString() + ".");
    out << LeagueTable(scenarios, runs);
    return 0;
  } catch (const Error& e) {
    err << "\nvorlanth-league: " << e.what() << '\n';
    return 2;
  }
}

}  // namespace vorlanth
