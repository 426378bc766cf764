"""Times a sweep of single-pile runs from Python (stilt.sweep on local processes) against the same
runs as `stilt run` processes, one after the other, and prints wall and CPU time of each.

    PYTHONPATH=build-bench/python /usr/bin/python3 bench/python_sweep.py build-bench/app/stilt [runs]
"""
import resource
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import stilt


def single_pile(lateral_load):
    """A 24-in pipe pile, 60 ft long, fixed head, in soft clay; loads in lb (English units)."""
    m = stilt.Model(units="english", print_option=2)
    m.piles = [stilt.Pile()]
    m.sections = [stilt.CrossSection("pipe", "PIPE 24 X 0.5", [24.0, 23.0] + [0.0] * 6,
                                     area=36.9, iz=2549.0, iy=2549.0, gj=5.7e10)]
    m.properties = [stilt.PileProperty(720.0, [stilt.PileSegment(0.0, 720.0, 29.0e6)])]
    m.layers = [stilt.SoilLayer(0.0, 900.0, "soft_clay",
                                {"gamma": 0.0208, "c": 5.0, "eps50": 0.01},
                                {"gamma": 0.0208, "c": 12.0, "eps50": 0.005})]
    m.cases = [stilt.LoadCase("Lateral", [stilt.PointLoad(px=50.0e3, py=lateral_load)])]
    return m


def cpu():
    s, c = resource.getrusage(resource.RUSAGE_SELF), resource.getrusage(resource.RUSAGE_CHILDREN)
    return s.ru_utime + s.ru_stime + c.ru_utime + c.ru_stime


def main(cli, runs=100):
    runs = int(runs)
    models = [single_pile(1.0e3 * (k + 1)) for k in range(runs)]
    with tempfile.TemporaryDirectory() as tmp:
        decks = []
        for k, m in enumerate(models):
            decks.append(m.write(Path(tmp) / f"pile{k:03d}.dat"))

        c0, t0 = cpu(), time.perf_counter()
        results = stilt.sweep(models)
        t1, c1 = time.perf_counter(), cpu()
        failed = sum(isinstance(r, Exception) or not r.completed for r in results)
        print(f"stilt.sweep: {runs} runs in {t1 - t0:.3f} s wall, {c1 - c0:.3f} s CPU"
              f" ({failed} not completed)")

        c0, t0 = cpu(), time.perf_counter()
        for d in decks:
            subprocess.run([cli, "run", str(d), "--quiet", "--threads", "1"], check=False,
                           stdout=subprocess.DEVNULL)
        t1, c1 = time.perf_counter(), cpu()
        print(f"stilt run processes: {runs} runs in {t1 - t0:.3f} s wall, {c1 - c0:.3f} s CPU")


if __name__ == "__main__":
    main(*sys.argv[1:])
