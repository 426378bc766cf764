// A model kept in CSV tables: the input data file written from it reads back as the tables say,
// and a table the writer cannot use is named with its line and what is wrong.

#include "model/model_tables.hpp"

#include <gtest/gtest.h>

#include <string>

#include "model/input_reader.hpp"

namespace stilt {
namespace {

using deck::TableError;
using deck::TableTexts;

TableTexts twoPileTables() {
  TableTexts t;
  t.piles = {"piles.csv",
             "# two piles, the second battered toward -Z\n"
             "pile,y,z,batter,direction,property,connection\n"
             "1,-30,0,,,1,fixed\n"
             "2,30,0,15,270,1,pinned\n"};
  t.soil = {"soil.csv",
            "top;bottom;family;gamma;c;c_bottom;eps50;phi;k\n"
            "0;120;soft_clay;0.0208;3;5;0.02;;\n"
            "120;600;sand;0.0336;;;;34;60\n"};
  t.properties = {"properties.csv",
                  "property,length,increments,E,shape,name,diameter,inner_diameter,area,Iz,GJ\n"
                  "1,480,40,29e6,pipe,\"PIPE 18 X 0.5\",18,17,27.49,1053.2,2.359e10\n"};
  t.loads = {"loads.csv",
             "case,name,loading,PX,PY,MY,X,Z\n"
             "1,Dead,static,2.4e5,1.6e4,,,\n"
             "2,Wave,cyclic,,5e3,,-24,\n"
             "2,,,,,1e5,,12\n"};
  return t;
}

TEST(ModelTables, TheWrittenFileReadsBackAsTheTablesSay) {
  deck::Model m;
  const std::vector<TableError> errors = deck::readTables(twoPileTables(), m);
  ASSERT_TRUE(errors.empty()) << deck::messageOf(errors.front());
  AnalysisModel a;
  const ReadResult r = readInputDataFile(deck::writeDeck(m), a, ReaderCallbacks{});
  ASSERT_TRUE(isOk(r.status)) << (r.message.empty() ? "" : r.message.back());
  EXPECT_TRUE(a.is3d());
  ASSERT_EQ(a.pileRows.size(), 2u);
  EXPECT_DOUBLE_EQ(a.pileRows[0].y, -30.0);
  EXPECT_DOUBLE_EQ(a.pileRows[0].beta, 90.0);  // plumb
  // 15 degrees off the vertical toward -Z: BETA 75, ALPHA 270; pinned in both planes.
  EXPECT_DOUBLE_EQ(a.pileRows[1].beta, 75.0);
  EXPECT_DOUBLE_EQ(a.pileRows[1].alpha, 270.0);
  // Soil: c from 3 at the top to 5 at the bottom of the clay; the sand's k at both ends.
  ASSERT_EQ(a.soilLayers.size(), 2u);
  EXPECT_DOUBLE_EQ(a.soilLayers[1].top, 120.0);
  EXPECT_DOUBLE_EQ(a.soilLayers[0].parameters[0][2], 3.0);
  EXPECT_DOUBLE_EQ(a.soilLayers[0].parameters[1][2], 5.0);
  EXPECT_DOUBLE_EQ(a.soilLayers[0].parameters[1][6], 0.02);
  EXPECT_DOUBLE_EQ(a.soilLayers[1].parameters[1][3], 34.0);
  EXPECT_DOUBLE_EQ(a.soilLayers[1].parameters[1][4], 60.0);
  ASSERT_EQ(a.properties.size(), 1u);
  EXPECT_DOUBLE_EQ(a.properties[0].length, 480.0);
  ASSERT_EQ(a.crossSections.size(), 1u);
  // Iy, not given, is that of a round section: Iz.
  EXPECT_DOUBLE_EQ(a.crossSections[0].top[12], 1053.2);
  EXPECT_DOUBLE_EQ(a.crossSections[0].top[14], 2.359e10);
  ASSERT_EQ(a.loadCases.size(), 2u);
  EXPECT_TRUE(a.loadCases[0].isStatic());
  EXPECT_FALSE(a.loadCases[1].isStatic());
  ASSERT_EQ(a.loadCases[1].concentratedLoads.size(), 2u);
  EXPECT_DOUBLE_EQ(a.loadCases[1].concentratedLoads[0].py, 5.0e3);
  EXPECT_DOUBLE_EQ(a.loadCases[1].concentratedLoads[0].x, -24.0);
  EXPECT_DOUBLE_EQ(a.loadCases[1].concentratedLoads[1].z, 12.0);
}

struct Fault {
  const char* table;  // which table is replaced
  const char* text;
  const char* file;
  int line;
  int status;
  const char* says;
};

TEST(ModelTables, AFaultyTableIsNamedWithItsLineAndWhatIsWrong) {
  const Fault faults[] = {
      {"piles", "y,z,property\n0,0,1\n10,abc,1\n", "piles.csv", 3, 43, "'abc' is not a number"},
      {"piles", "y,z,propety\n0,0,1\n", "piles.csv", 1, 43, "unknown column 'propety'"},
      {"piles", "y,property\n0,1\n", "piles.csv", 1, 46, "the column 'z' is missing"},
      {"piles", "y,z,property\n0,0,1\n\n# spare\n5,5,2\n", "piles.csv", 5, 45,
       "property 2 is not defined"},
      {"piles", "y,z,property,connection\n0,0,1,hinged\n", "piles.csv", 2, 43,
       "not one of pinned, fixed, spring"},
      {"soil", "top,bottom,family,gamma,c,eps50,phi\n0,600,soft_clay,0.02,3,0.02,30\n", "soil.csv",
       2, 46, "soft_clay does not use phi"},
      {"soil", "top,bottom,family,gamma,phi\n0,600,sand,0.03,\n", "soil.csv", 2, 46,
       "sand needs phi above 0"},
      {"soil", "top,bottom,family,gamma,phi\n0,600,gravel,0.03,34\n", "soil.csv", 2, 43,
       "'gravel' is not one of soft_clay"},
      {"properties", "property,length,E,diameter,area,Iz,GJ\n2,480,29e6,18,27,1053,2e10\n",
       "properties.csv", 2, 46, "'property': 2 where 1 is due"},
      {"loads", "case,PX,PY\n1,\"100,2\n", "loads.csv", 2, 43, "quoted cell is not closed"},
      {"loads", "case,PX\n1,5,6\n", "loads.csv", 2, 43, "3 cells, but the header names 2"},
      // Sections of a pile must run from the head to its length without a gap.
      {"properties",
       "property,length,E,diameter,area,Iz,GJ,from,to\n1,480,29e6,18,27,1053,2e10,0,200\n"
       "1,,29e6,18,27,1053,2e10,240,480\n",
       "properties.csv", 3, 46, "without gaps or overlaps"},
      {"properties",
       "property,length,E,diameter,area,Iz,GJ\n1,480,29e6,18,27,1053,2e10\n1,400,,,,,\n",
       "properties.csv", 3, 46, "'length' differs from the first row of property 1"},
      {"combinations", "combination,case,factor\n1,1,1.2\n1,3,1.6\n", "combinations.csv", 3, 45,
       "load case 3 is not defined"},
  };
  for (const Fault& f : faults) {
    TableTexts t = twoPileTables();
    deck::TableText& replaced = std::string(f.table) == "piles"          ? t.piles
                                : std::string(f.table) == "soil"         ? t.soil
                                : std::string(f.table) == "loads"        ? t.loads
                                : std::string(f.table) == "combinations" ? t.combinations
                                                                         : t.properties;
    replaced = {f.file, f.text};
    deck::Model m;
    const std::vector<TableError> errors = deck::readTables(t, m);
    ASSERT_FALSE(errors.empty()) << f.text;
    const TableError& e = errors.front();
    EXPECT_EQ(e.file, f.file) << f.text;
    EXPECT_EQ(e.line, f.line) << f.text;
    EXPECT_EQ(e.status, f.status) << f.text;
    EXPECT_NE(
        deck::messageOf(e).find(std::string(f.file) + ", line " + std::to_string(f.line) + ": "),
        std::string::npos);
    EXPECT_NE(e.text.find(f.says), std::string::npos) << e.text;
  }
}

}  // namespace
}  // namespace stilt
