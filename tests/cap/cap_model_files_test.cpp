// The cap's model files: the plate model built from the cap, the card format written and read
// back, the keyword format, gslab.dat, and the statics of the twisting-moment loads.
#include "cap/cap_model_files.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "cap/fixed_fields.hpp"
#include "cap/plate_solver.hpp"

namespace stilt::cap {
namespace {

CapModelInput capInput() {
  CapModelInput in;
  in.geometry = {2, 1, 8.0, 3.0, 1.2, 0.5, -0.25};
  in.young = 3.6e6;
  in.poisson = 0.2;
  in.stepping = {0.5, 0.0, 1.0, 0.01, 25, 1.0e-5};
  in.load = {-1500.0, 20.0, -35.5, 0.0, 120.25, -64.0};
  in.piles = {{0.0, -2.5, 0.5, {0.9961947, 0.0871557, 1.0e-12}, 1},
              {0.0, 3.5, -1.0, {1.0, -0.0, 0.0}, 2},
              {0.0, 3.5, 1.0, {-0.9, 0.3, -0.3162278}, 3}};
  return in;
}

TEST(CapPlateModel, ControlRecordAndLoadsOfACaseWithoutTwist) {
  const PlateModel m = buildCapPlateModel(capInput());
  EXPECT_EQ(m.title, "TEST OF ORLIM5_FC");
  EXPECT_EQ(m.control.npoin, 13);
  EXPECT_EQ(m.control.nelem, 2);
  EXPECT_EQ(m.control.nclod, 1);
  EXPECT_EQ(m.control.nctsti, 3);
  ASSERT_EQ(m.loads.size(), 1u);
  EXPECT_EQ(m.loads[0].y, 0.0);
  EXPECT_EQ(m.loads[0].z, 0.0);
  EXPECT_EQ(m.loads[0].forces, (std::array<double, 6>{-1500.0, 20.0, -35.5, 0.0, 120.25, -64.0}));
  // Pinned heads pass no moment; direction components are absolute, tiny ones zero.
  EXPECT_EQ(m.springs[0].flags, (std::array<double, 3>{0.0, 0.0, 0.0}));
  EXPECT_EQ(m.springs[1].flags, (std::array<double, 3>{1.0, 1.0, 1.0}));
  EXPECT_EQ(m.springs[2].flags, (std::array<double, 3>{1.0, 1.0, 1.0}));
  EXPECT_EQ(m.springs[0].direction[2], 0.0);
  EXPECT_EQ(m.springs[2].direction, (std::array<double, 3>{0.9, 0.3, 0.3162278}));
}

TEST(CapPlateModel, ATwistingMomentBecomesEightInPlaneLoadsOfTheSameMoment) {
  CapModelInput in = capInput();
  in.load[3] = 1.0e-10;  // not above the threshold
  EXPECT_EQ(buildCapPlateModel(in).control.nclod, 1);
  in.load[3] = 250.0;
  const PlateModel m = buildCapPlateModel(in);
  EXPECT_EQ(m.control.nclod, 9);
  ASSERT_EQ(m.loads.size(), 9u);
  EXPECT_EQ(m.loads[0].forces[3], 0.0);
  // Statics about the origin: no resultant force, a moment about X of MX = Y·PZ − Z·PY.
  double fy = 0.0, fz = 0.0, mx = 0.0;
  for (std::size_t i = 1; i < 9; ++i) {
    const PlateLoad& l = m.loads[i];
    EXPECT_EQ(l.forces[0], 0.0);
    fy += l.forces[1];
    fz += l.forces[2];
    mx += l.y * l.forces[2] - l.z * l.forces[1];
    // Every point lies a/2 = 0.6 (the thickness is the smallest dimension) from the centre.
    EXPECT_NEAR(std::hypot(l.y - 0.5, l.z - 0.25), 0.6, 1e-12);
  }
  EXPECT_NEAR(fy, 0.0, 1e-12);
  EXPECT_NEAR(fz, 0.0, 1e-12);
  EXPECT_NEAR(mx, 250.0, 1e-10);
}

TEST(CardModel, WrittenRecordByRecordInTheStatedFields) {
  CapModelInput in = capInput();
  in.load[3] = 10.0;
  std::ostringstream os;
  writeCardModel(buildCapPlateModel(in), os);
  std::istringstream is(os.str());
  std::vector<std::string> lines;
  for (std::string l; std::getline(is, l);) lines.push_back(l);
  ASSERT_EQ(lines.size(), 3u + 2u + 13u + 1u + 9u + 3u);
  EXPECT_EQ(lines[0], " TEST OF ORLIM5_FC");
  EXPECT_EQ(lines[1],
            "      13       2       1       8       2       0       0       0       0       0"
            "       9       0       0       0       3       1");
  EXPECT_EQ(lines[2], "    0.5000    0.0000    1.0000    0.0100        25  0.10000E-04");
  EXPECT_EQ(lines[3],
            "       1       1       1       1       3      11       9       2       7"
            "      10       6");
  // Node 1 at Y = 0.5 − 4, Z = 1.5 + 0.25.
  EXPECT_EQ(lines[5], "       1       1      0.0000     -3.5000      1.7500");
  EXPECT_EQ(lines[18], "       1  0.36000E+07  0.20000E+00  0.12000E+01");
  EXPECT_EQ(lines[19],
            "  0.00000E+00  0.00000E+00 -0.15000E+04  0.20000E+02 -0.35500E+02"
            "  0.00000E+00  0.12025E+03 -0.64000E+02");
  EXPECT_EQ(lines[28],
            "  0.00000E+00 -0.25000E+01  0.50000E+00  0.99619E+00  0.87156E-01"
            "  0.00000E+00  0.00000E+00  0.00000E+00  0.00000E+00");
}

TEST(CardModel, ReadBackGivesTheModelThatWasWritten) {
  CapModelInput in = capInput();
  in.load[3] = -75.0;
  const PlateModel written = buildCapPlateModel(in);
  std::ostringstream os;
  writeCardModel(written, os);
  std::istringstream is(os.str());
  CardReader reader = cardReaderOf(is, "run_plate_model.dat");
  PlateModel read;
  std::string error;
  ASSERT_TRUE(readCardHeader(reader, read, error)) << error;
  ASSERT_TRUE(readCardBody(reader, read, error)) << error;
  EXPECT_TRUE(remainingLines(reader).empty());
  EXPECT_EQ(read.title, written.title);
  EXPECT_EQ(read.control.npoin, written.control.npoin);
  EXPECT_EQ(read.control.nclod, 9);
  EXPECT_EQ(read.control.nctsti, 3);
  EXPECT_EQ(read.control.reserved3, 1);
  EXPECT_EQ(read.stepping.maxiter, 25);
  EXPECT_DOUBLE_EQ(read.stepping.dtmin, 0.01);
  ASSERT_EQ(read.elements.size(), written.elements.size());
  for (std::size_t e = 0; e < read.elements.size(); ++e) {
    EXPECT_EQ(read.elements[e].number, written.elements[e].number);
    EXPECT_EQ(read.elements[e].nodes, written.elements[e].nodes);
  }
  ASSERT_EQ(read.nodes.size(), written.nodes.size());
  for (std::size_t n = 0; n < read.nodes.size(); ++n) {
    EXPECT_NEAR(read.nodes[n].y, written.nodes[n].y, 5e-5);  // F12.4
    EXPECT_NEAR(read.nodes[n].z, written.nodes[n].z, 5e-5);
  }
  ASSERT_EQ(read.loads.size(), 9u);
  for (std::size_t l = 0; l < 9; ++l)
    for (std::size_t d = 0; d < 6; ++d)  // E13.5: five significant digits
      EXPECT_NEAR(read.loads[l].forces[d], written.loads[l].forces[d],
                  5e-5 * std::abs(written.loads[l].forces[d]) + 1e-300);
  // Written again, the model read is the same file, character for character.
  std::ostringstream again;
  writeCardModel(read, again);
  EXPECT_EQ(again.str(), os.str());
}

TEST(CardModel, RestraintsReadBackWithTheirCodes) {
  PlateModel m = buildCapPlateModel(capInput());
  m.restraints.push_back({3, {0, 1, 1, 0, 0, 1}, {0.0, 0.25, -0.5, 0.0, 0.0, 1.0e-3}});
  m.control.nvfix = 1;
  std::ostringstream os;
  writeCardModel(m, os);
  std::istringstream is(os.str());
  CardReader reader = cardReaderOf(is, "f");
  PlateModel read;
  std::string error;
  ASSERT_TRUE(readCardHeader(reader, read, error) && readCardBody(reader, read, error)) << error;
  ASSERT_EQ(read.restraints.size(), 1u);
  EXPECT_EQ(read.restraints[0].codes, m.restraints[0].codes);
  EXPECT_EQ(read.restraints[0].values, m.restraints[0].values);
}

TEST(CardModel, AMalformedOrShortFileNamesTheLine) {
  std::ostringstream os;
  writeCardModel(buildCapPlateModel(capInput()), os);
  std::string text = os.str();
  std::string bad = text;
  bad.replace(bad.find("      0.0000     -3.5000"), 12, "      0.0x00");
  std::istringstream is(bad);
  CardReader reader = cardReaderOf(is, "cap.dat");
  PlateModel read;
  std::string error;
  ASSERT_TRUE(readCardHeader(reader, read, error));
  EXPECT_FALSE(readCardBody(reader, read, error));
  EXPECT_EQ(error, "LINE 6 OF cap.dat: X (COLUMNS 17-28) IS NOT A NUMBER");

  std::istringstream shortFile(text.substr(0, text.find("       2       2       1")));
  CardReader r2 = cardReaderOf(shortFile, "cap.dat");
  ASSERT_TRUE(readCardHeader(r2, read, error));
  EXPECT_FALSE(readCardBody(r2, read, error));
  EXPECT_EQ(error, "cap.dat ENDS BEFORE AN ELEMENT RECORD (AFTER LINE 4)");
}

// Nodes are placed by their numbers: a file listing them in another order reads the same model,
// and a number given twice is refused with its line.
TEST(CardModel, NodesArePlacedByTheirNumbers) {
  std::ostringstream os;
  writeCardModel(buildCapPlateModel(capInput()), os);
  std::vector<std::string> lines;
  std::istringstream is(os.str());
  for (std::string l; std::getline(is, l);) lines.push_back(l);
  std::swap(lines[5], lines[17]);  // nodes 1 and 13
  std::string swapped;
  for (const std::string& l : lines) swapped += l + "\n";
  std::istringstream in(swapped);
  CardReader reader = cardReaderOf(in, "cap.dat");
  PlateModel m;
  std::string error;
  ASSERT_TRUE(readCardHeader(reader, m, error) && readCardBody(reader, m, error)) << error;
  EXPECT_EQ(m.nodes[0].number, 1);
  EXPECT_DOUBLE_EQ(m.nodes[0].y, -3.5);
  EXPECT_EQ(m.nodes[12].number, 13);
  EXPECT_DOUBLE_EQ(m.nodes[12].y, 4.5);

  lines[17] = lines[5];  // node 13 twice
  std::string repeated;
  for (const std::string& l : lines) repeated += l + "\n";
  std::istringstream again(repeated);
  CardReader r2 = cardReaderOf(again, "cap.dat");
  ASSERT_TRUE(readCardHeader(r2, m, error));
  EXPECT_FALSE(readCardBody(r2, m, error));
  EXPECT_EQ(error, "LINE 18 OF cap.dat: NODE NUMBER 13 IS REPEATED OR OUTSIDE 1 TO NPOIN = 13");
}

TEST(KeywordModel, SectionsInOrderWithStarredDataLines) {
  CapModelInput in = capInput();
  std::ostringstream os;
  writeKeywordModel(buildCapPlateModel(in), os);
  const std::string t = os.str();
  EXPECT_EQ(t.rfind(" ORLIM5_FC\n TITLE\n TEST OF ORLIM5_FC\n ELEMENT_DATA\n", 0), 0u);
  EXPECT_NE(t.find(" QUAD8  REDUCED_INTEGRATION\n*       1       1       1       3      11       9"
                   "       2       7      10       6\n"),
            std::string::npos);
  EXPECT_NE(t.find(" NODE_DATA\n*       1      0.0000     -3.5000      1.7500\n"),
            std::string::npos);
  EXPECT_NE(t.find(" MATERIAL_DATA\n*    ALL  0.36000E+07  0.20000E+00  0.12000E+01\n"
                   " END_MATERIAL_DATA\n"),
            std::string::npos);
  EXPECT_NE(t.find(" TIME_STEPPING_DATA\n*    0.5000    0.0000    1.0000    0.0100        25"
                   "  0.10000E-04\n END_TIME_STEPPING_DATA\n END_DATA\n"),
            std::string::npos);
  std::size_t last = 0;
  for (const char* k : {" ELEMENT_DATA", " END_ELEMENT_DATA", " NODE_DATA", " END_NODE_DATA",
                        " MATERIAL_DATA", " CONCENTRATED_LOAD_DATA", " END_CONCENTRATED_LOAD_DATA",
                        " TOTAL_CONCENTRATED_STIFFNESS_DATA",
                        " END_TOTAL_CONCENTRATED_STIFFNESS_DATA", " TIME_STEPPING_DATA"}) {
    const std::size_t at = t.find(std::string(k) + "\n");
    ASSERT_NE(at, std::string::npos) << k;
    EXPECT_GT(at, last) << k;
    last = at;
  }
}

TEST(Gslab, FiveNamesInFieldsOf75AndReadBack) {
  const CapFileNames names = capFileNamesFor("pier12");
  const std::string text = gslabText(names);
  std::istringstream is(text);
  std::vector<std::string> lines;
  for (std::string l; std::getline(is, l);) lines.push_back(l);
  ASSERT_EQ(lines.size(), 5u);
  for (const std::string& l : lines) EXPECT_EQ(l.size(), 75u);
  EXPECT_EQ(lines[0].substr(0, 22), "pier12_plate_model.key");
  EXPECT_EQ(lines[1].substr(0, 23), "pier12_plate_model.dat ");
  std::istringstream back(text);
  CapFileNames read;
  std::string error;
  ASSERT_TRUE(readGslab(back, read, error)) << error;
  EXPECT_EQ(read.cardModel, "pier12_plate_model.dat");
  EXPECT_EQ(read.messages, "pier12_plate.msg");
  // A name longer than the field is written whole.
  const CapFileNames longNames = capFileNamesFor(std::string(80, 'a'));
  std::istringstream longText(gslabText(longNames));
  ASSERT_TRUE(readGslab(longText, read, error));
  EXPECT_EQ(read.listing, std::string(80, 'a') + "_plate.lst");
  std::istringstream three("a\nb\nc\n");
  EXPECT_FALSE(readGslab(three, read, error));
  EXPECT_EQ(error, "gslab.dat ENDS BEFORE LINE 4 (IT NAMES FIVE FILES)");
}

// The model files of a cap, read back by the plate run, solve on linear springs: the piles'
// forces balance the load written into the card model.
TEST(CapModelFiles, WrittenIntoAFolderAndSolvedFromTheCardModel) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("stilt_cap_files_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  CapModelInput in = capInput();
  in.piles = {{0.0, -3.5, 1.75, {1, 0, 0}, 2},
              {0.0, 4.5, 1.75, {1, 0, 0}, 2},
              {0.0, -3.5, -1.25, {1, 0, 0}, 2},
              {0.0, 4.5, -1.25, {1, 0, 0}, 2}};
  in.load = {-1000.0, 0.0, 0.0, 0.0, 0.0, 0.0};
  std::string error;
  ASSERT_TRUE(writeCapModel(folder, capFileNamesFor("run"), buildCapPlateModel(in), error))
      << error;
  std::ifstream gslab(folder / "gslab.dat");
  CapFileNames names;
  ASSERT_TRUE(readGslab(gslab, names, error)) << error;
  std::ifstream card(folder / names.cardModel);
  CardReader reader = cardReaderOf(card, names.cardModel);
  PlateModel m;
  ASSERT_TRUE(readCardHeader(reader, m, error) && readCardBody(reader, m, error)) << error;
  EXPECT_TRUE(std::filesystem::exists(folder / names.keywordModel));
  std::array<double, 36> k{};
  for (std::size_t i = 0; i < 6; ++i) k[i * 7] = 1.0e5;
  LinearSupports supports(std::vector<std::array<double, 36>>(4, k));
  std::ostringstream listing;
  PlateOutputs out;
  out.listing = &listing;
  PlateSolution s;
  ASSERT_EQ(runPlateAnalysis(m, &supports, nullptr, out, s), PlateStatus::kCompleted)
      << listing.str();
  double total = 0.0;
  for (const auto& f : s.supportForces) total += f[0];
  EXPECT_NEAR(total, -1000.0, 1e-6);
  std::filesystem::remove_all(folder);
}

// The plate run of a folder: gslab.dat, the card model it names, and the three files it writes.
TEST(CapPlateRun, SolvesTheCardModelNamedInGslabAndWritesItsFiles) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("stilt_cap_run_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  CapModelInput in = capInput();
  in.piles = {{0.0, -3.5, 1.75, {1, 0, 0}, 2},
              {0.0, 4.5, 1.75, {1, 0, 0}, 2},
              {0.0, -3.5, -1.25, {1, 0, 0}, 2},
              {0.0, 4.5, -1.25, {1, 0, 0}, 2}};
  const CapFileNames names = capFileNamesFor("run");
  std::string error;
  std::array<double, 36> k{};
  for (std::size_t i = 0; i < 6; ++i) k[i * 7] = 1.0e5;
  LinearSupports supports(std::vector<std::array<double, 36>>(4, k));
  PlateSolution s;
  std::vector<std::string> messages;

  // Without gslab.dat the run stops at the open.
  EXPECT_EQ(runCapPlateSolver(folder, &supports, s, messages, error), PlateStatus::kFileError);
  EXPECT_EQ(error, "gslab.dat CANNOT BE OPENED IN " + folder.string());

  ASSERT_TRUE(writeCapModel(folder, names, buildCapPlateModel(in), error)) << error;
  ASSERT_EQ(runCapPlateSolver(folder, &supports, s, messages, error), PlateStatus::kCompleted)
      << error;
  EXPECT_EQ(s.step, 2);  // DT = 0.5
  const std::string listing = [&] {
    std::ifstream f(folder / names.listing);
    return std::string(std::istreambuf_iterator<char>(f), {});
  }();
  EXPECT_NE(listing.find(" TEST OF ORLIM5_FC\n"), std::string::npos);
  EXPECT_NE(listing.find(" DISPLACEMENTS     STEP =    2     TIME =    1.0000\n"),
            std::string::npos);
  std::ifstream steps(folder / names.stepResults);
  std::string first;
  std::getline(steps, first);
  EXPECT_EQ(first, "STEP_DATA      14");
  std::getline(steps, first);
  EXPECT_EQ(first, "UX UY UZ ROTX ROTY ROTZ SXX SYY SXY MOM_X MOM_Y MOM_XY SH_XZ SH_YZ");
  std::ifstream msg(folder / names.messages);
  std::getline(msg, first);
  EXPECT_EQ(first.substr(0, 22), " STEP     1   TCUR   =");

  // A control record that CHECK1 refuses: its diagnosis, then the rest of the file as it stands.
  {
    std::ifstream card(folder / names.cardModel);
    std::string text(std::istreambuf_iterator<char>(card), {});
    text.replace(text.find("      13       2       1       8"), 32,
                 "      13       2       1      12");  // NNODE = 12
    std::ofstream(folder / names.cardModel, std::ios::trunc) << text;
  }
  EXPECT_EQ(runCapPlateSolver(folder, &supports, s, messages, error), PlateStatus::kCheck1Failed);
  std::ifstream refused(folder / names.listing);
  const std::string text(std::istreambuf_iterator<char>(refused), {});
  const std::size_t dump = text.find(
      " *** DIAGNOSIS BY CHECK1, ERROR    6\n\n"
      " NOW FOLLOWING A LISTING OF POST-DISASTER DATA CARDS\n\n"
      "       1       1       1       1       3      11");
  EXPECT_NE(dump, std::string::npos) << text;
  EXPECT_EQ(messages, std::vector<std::string>{" *** DIAGNOSIS BY CHECK1, ERROR    6"});
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace stilt::cap
