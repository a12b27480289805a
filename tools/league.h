#pragma once
// The league: the summaries of many runs of vorlanth-sim (one JSON line each,
// named with --name after their scenario) gathered into league.csv, one row per
// run, and a Markdown table of each scenario's mean and spread over its seeds.

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace vorlanth {

struct TLeagueRun {
  std::string Scenario;
  int64_t Seed = 0;
  std::vector<double> Values;  // in the order of LeagueColumns()
};

// The metric columns of league.csv: cycles and futures per cycle, then the
// behaviour overall, then per kind of body (kart_..., rocket_..., asteroid_...).
const std::vector<std::string>& LeagueColumns();

// The scenarios of a suite, in their order, and its number of runs: every line
// that is neither empty nor a comment (#) is a run and names its scenario with
// --name. Throws Error naming the line without one.
std::vector<std::string> SuiteScenarios(const std::string& suite, int32_t& runs);

// One run's summary line; throws Error when it is not one.
TLeagueRun ParseLeagueRun(const std::string& line);

// One row per run, scenarios in the given order, seeds ascending.
std::string LeagueCsv(const std::vector<std::string>& scenarios, std::vector<TLeagueRun> runs);
// One row per scenario: its seeds and the overall metrics as mean ± standard
// deviation over the seeds.
std::string LeagueTable(const std::vector<std::string>& scenarios, const std::vector<TLeagueRun>& runs);

// vorlanth-league --suite FILE --csv FILE: reads the runs' output from `in`,
// shows its progress on `err`, writes the CSV and prints the table on `out`.
// Returns 0, or 2 with a message for bad arguments, bad or missing runs, or a
// failed write (then no CSV is left behind).
int RunLeague(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
              std::ostream& err);

}  // namespace vorlanth
