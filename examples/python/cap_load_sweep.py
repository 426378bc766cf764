"""A sweep of the lateral cap load of the input guide's first 3-D example, run on a pool of local
processes, plotting load against cap displacement (the group's load-deflection curve).

    PYTHONPATH=build/python python3 examples/python/cap_load_sweep.py [figure.png]
"""
import sys
from pathlib import Path

import matplotlib
matplotlib.use("Agg")
import matplotlib.pyplot as plt

import stilt

EXAMPLE = Path(__file__).resolve().parents[1] / "first3d.dat"


def main(figure="cap_load_sweep.png"):
    base = stilt.Model.read(EXAMPLE)
    loads = [20.0e3 * k for k in range(1, 11)]
    models = []
    for py in loads:
        m = stilt.Model.from_dict(base.to_dict())
        m.cases[0].loads[0].py = py
        models.append(m)
    results = stilt.sweep(models)
    points = [(py, r.items[0].cap_displacement["Y"]) for py, r in zip(loads, results)
              if not isinstance(r, Exception) and r.items[0].completed]
    for py, r in zip(loads, results):
        if isinstance(r, Exception):
            print(f"PY = {py:.0f}: {r}")
    fig, ax = plt.subplots()
    ax.plot([d for _, d in points], [py / 1000.0 for py, _ in points], marker="o")
    ax.set_xlabel("cap displacement Y (in)")
    ax.set_ylabel("lateral cap load PY (kips)")
    ax.grid(True, linewidth=0.3)
    fig.savefig(figure, dpi=120)
    print(f"{len(points)} of {len(loads)} loads converged; figure in {figure}")


if __name__ == "__main__":
    main(*sys.argv[1:])
