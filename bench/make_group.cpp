// make_group: writes the input data file of a large three-dimensional pile group to standard
// output, for timing whole runs.
//
//   make_group --rows 10 --cols 20 > group200.dat
//   make_group --rows 40 --cols 50 --batter 10 --print 0 > group2000.dat

#include <CLI/CLI.hpp>
#include <iostream>

#include "bench/group_deck.hpp"

int main(int argc, char** argv) {
  stilt::bench::GroupDeckOptions o;
  CLI::App app{"Input data file of an n x m grid of piles in soft clay over sand"};
  app.add_option("--rows", o.rows, "piles along Z")->check(CLI::Range(1, 2000));
  app.add_option("--cols", o.cols, "piles along Y")->check(CLI::Range(1, 2000));
  app.add_option("--spacing", o.spacing, "centre distance in pile diameters")
      ->check(CLI::PositiveNumber);
  app.add_option("--batter", o.batter, "degrees off the vertical of the edge piles (0 plumb)")
      ->check(CLI::Range(0.0, 45.0));
  app.add_option("--increments", o.increments, "increments per pile")->check(CLI::Range(1, 100));
  app.add_option("--print", o.printOption,
                 "print option of every item: 0 cap, 1 pile heads, 2 along the piles")
      ->check(CLI::Range(0, 2));
  app.add_option("--group-reduction", o.groupReductionOption,
                 "group-reduction option (control switch 8)")
      ->check(CLI::Range(0, 3));
  CLI11_PARSE(app, argc, argv);
  if (o.rows * o.cols > 2000) {
    std::cerr << "make_group: " << o.rows * o.cols << " piles; the input format holds 2000\n";
    return 2;
  }
  std::cout << stilt::bench::groupDeck(o);
  return 0;
}
