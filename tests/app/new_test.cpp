// `stilt new`, run as a user runs it: a twelve-pile group in three soil layers with two load
// cases, kept in CSV tables, analyses exactly as the same model written by hand.

#include <sys/wait.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/cli_runner.hpp"
#include "support/run_dir.hpp"

namespace stilt {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

using Outcome = test::CliOutcome;

Outcome stilt(const std::string& arguments) {
  return test::runStilt(arguments);
}
std::string q(const fs::path& p) {
  return test::quoted(p);
}

// Rows of three piles 54 in apart along Z, four along Y; the outer piles along Y battered 10
// degrees outward, the middle row pinned.
constexpr const char* kPiles =
    "pile,y,z,batter,direction,property,connection\n"
    "1,-81,-54,10,180,1,fixed\n2,-27,-54,,,1,fixed\n3,27,-54,,,1,fixed\n4,81,-54,10,0,1,fixed\n"
    "5,-81,0,10,180,1,pinned\n6,-27,0,,,1,pinned\n7,27,0,,,1,pinned\n8,81,0,10,0,1,pinned\n"
    "9,-81,54,10,180,1,fixed\n10,-27,54,,,1,fixed\n11,27,54,,,1,fixed\n12,81,54,10,0,1,fixed\n";
constexpr const char* kSoil =
    "layer,top,bottom,family,gamma,c,c_bottom,phi,phi_bottom,k,eps50\n"
    "1,0,120,soft_clay,0.0208,3,5,,,,0.02\n"
    "2,120,300,sand,0.0336,,,34,36,60,\n"
    "3,300,600,stiff_clay,0.0347,15,,,,,0.005\n";
constexpr const char* kProperties =
    "property,length,increments,pile_type,E,shape,name,diameter,inner_diameter,area,Iz,Iy,GJ,"
    "Mn,Vn\n"
    "1,480,30,driven,29e6,pipe,PIPE 18 X 0.5,18,17,27.49,1053.2,1053.2,2.359e10,7.66e6,4.12e5\n";
constexpr const char* kLoads =
    "case,name,type,loading,PX,PY,PZ,MY,X\n"
    "1,Dead load with wind,dead,static,1.2e6,6e4,,,\n"
    "2,Cyclic wave from +Z,wind,cyclic,,,4e4,1e6,-36\n";

std::string handPile(int connection, double y, double z, double alpha, double beta) {
  const std::string c = std::to_string(connection);
  return c + " " + c + " 1 0 0 0 0 0\n0 0 1 1 1 1 1\n0 " + std::to_string(y) + " " +
         std::to_string(z) + " " + std::to_string(alpha) + " " + std::to_string(beta) + " 0\n";
}

// The same model written by hand from the input guide.
std::string handDeck() {
  std::string d =
      "Twelve piles\nEnglish units (lb, in)\n"
      "CONTROL PARAMETERS\n1 3 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n"
      "PILE CAP\n198 144 36\n"
      "LOAD CASES\n2 0 0 0 0\n"
      "0 0 0 1 1 100 100\n1.0E-4 1.0E-5 0.25 0.01\nDead load with wind\n0 0 0 0 0 0 0\n"
      "1 5 1.0 0 0.0 0.0 0 0\n0\n25*1\n1\n1.2E6 6.0E4 0 0 0 0 0 0 0\n0\n0\n"
      "0 0 0 0 1 100 100\n1.0E-4 1.0E-5 0.25 0.01\nCyclic wave from +Z\n4 0 0 0 0 0 0\n"
      "1 5 1.0 0 0.0 0.0 0 0\n0\n25*1\n1\n0 0 0 4.0E4 1.0E6 0 -36 0 0\n0\n0\n"
      "LOAD COMBINATIONS\n0 0 0 0 0\nDISTRIBUTED LOAD SETS\n0\nPILE GROUPS\n12\n";
  for (const double z : {-54.0, 0.0, 54.0}) {
    const int c = z == 0.0 ? 1 : 2;
    d += handPile(c, -81, z, 180, 80) + handPile(c, -27, z, 0, 90) + handPile(c, 27, z, 0, 90) +
         handPile(c, 81, z, 0, 80);
  }
  d += "PILE PROPERTIES\n1\n1 1\n30 480.0 1\n0.0 480.0 1 29.0E6 0 0\n"
       "CROSS SECTIONS\n1\n1 0 1\n'PIPE 18 X 0.5'\n18 17 0 0 0 0 0 0\n"
       "0 27.49 1053.2 1053.2 0 2.359E10 7.66E6 4.12E5 0 0\n"
       "SOIL LAYERS\n3\n"
       "1 0\n0 120\n2 9\n0.0208 3 0 0 0 0.02 0 0 0\n0.0208 5 0 0 0 0.02 0 0 0\n"
       "4 0\n120 300\n2 9\n0.0336 0 34 60 0 0 0 0 0\n0.0336 0 36 60 0 0 0 0 0\n"
       "3 0\n300 600\n2 9\n0.0347 15 0 0 0 0.005 0 0 0\n0.0347 15 0 0 0 0.005 0 0 0\n";
  return d;
}

void writeTables(const fs::path& dir) {
  test::writeFile(dir / "piles.csv", kPiles);
  test::writeFile(dir / "soil.csv", kSoil);
  test::writeFile(dir / "properties.csv", kProperties);
  test::writeFile(dir / "loads.csv", kLoads);
}

TEST(NewModel, TablesGiveTheResultsOfTheSameModelWrittenByHand) {
  test::TempDir dir;
  writeTables(dir.path());
  const fs::path written = dir / "tables.dat";
  const Outcome made = stilt("new --tables " + q(dir.path()) +
                             " --units english --title 'Twelve piles' -o " + q(written));
  ASSERT_EQ(made.exitCode, 0) << made.output;
  EXPECT_THAT(made.output, HasSubstr("12 piles, 3 soil layers"));

  const Outcome checked = stilt("check " + q(written));
  EXPECT_EQ(checked.exitCode, 0) << checked.output;
  EXPECT_THAT(checked.output, HasSubstr("0 errors, 0 warnings")) << checked.output;

  test::writeFile(dir / "hand.dat", handDeck());
  ASSERT_EQ(stilt("run -q " + q(written)).exitCode, 0);
  ASSERT_EQ(stilt("run -q " + q(dir / "hand.dat")).exitCode, 0);
  const auto results = [&](const char* stem) {
    return nlohmann::json::parse(test::readFile(dir / stem / "results.json"));
  };
  const nlohmann::json fromTables = results("tables");
  const nlohmann::json byHand = results("hand");
  ASSERT_EQ(fromTables["items"].size(), 2u);
  EXPECT_EQ(fromTables["items"], byHand["items"]);
  EXPECT_EQ(fromTables["piles"], byHand["piles"]);
  EXPECT_EQ(fromTables["properties"], byHand["properties"]);

  // Statics of the rigid cap: the pile heads carry the whole 1200-kip vertical load and the
  // 60-kip horizontal load of case 1 between them.
  double vertical = 0.0;
  double horizontal = 0.0;
  for (const nlohmann::json& pile : fromTables["items"][0]["piles"]) {
    vertical += pile["head_force_global"][0].get<double>();
    horizontal += pile["head_force_global"][1].get<double>();
  }
  EXPECT_NEAR(std::abs(vertical), 1.2e6, 1.2e6 * 2e-3);
  EXPECT_NEAR(std::abs(horizontal), 6.0e4, 6.0e4 * 2e-3);
}

TEST(NewModel, RefusesFaultyTablesAndKeepsAnExistingFile) {
  test::TempDir dir;
  writeTables(dir.path());
  const fs::path out = dir / "model.dat";
  test::writeFile(out, "kept\n");
  const std::string tables = "new --tables " + q(dir.path()) + " --units english -o " + q(out);
  const Outcome kept = stilt(tables);
  EXPECT_EQ(kept.exitCode, 40);
  EXPECT_THAT(kept.output, HasSubstr("exists; give --force"));
  EXPECT_EQ(test::readFile(out), "kept\n");

  // A pile reaching below the soil profile: a run would refuse the file, so none is written.
  test::writeFile(dir / "soil.csv", "top,bottom,family,gamma,phi\n0,240,sand,0.0336,34\n");
  const Outcome shallow = stilt(tables + " --force");
  EXPECT_NE(shallow.exitCode, 0) << shallow.output;
  EXPECT_THAT(shallow.output, HasSubstr("below the bottom of the deepest soil layer at 240 IN"));
  EXPECT_THAT(shallow.output, HasSubstr("nothing written"));
  EXPECT_EQ(test::readFile(out), "kept\n");

  test::writeFile(dir / "soil.csv", kSoil);
  test::writeFile(dir / "loads.csv", "case,PX\n1,1e5\n1,2.0.0\n");
  const Outcome bad = stilt(tables + " --force");
  EXPECT_EQ(bad.exitCode, 43);
  EXPECT_THAT(bad.output, HasSubstr("loads.csv, line 3: column 'px': '2.0.0' is not a number"));
  EXPECT_THAT(bad.output, Not(HasSubstr("wrote")));

  test::writeFile(dir / "loads.csv", kLoads);
  const Outcome forced = stilt(tables + " --force");
  EXPECT_EQ(forced.exitCode, 0) << forced.output;
  EXPECT_THAT(test::readFile(out), HasSubstr("PILE GROUPS\n12 "));
}

}  // namespace
}  // namespace stilt
