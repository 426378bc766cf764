"""A family of p-y curves: soft clay (Matlock, 1970) at several depths for a 24-in pile, from the
engine's own generators, without a run.

    PYTHONPATH=build/python python3 examples/python/py_curve_family.py [figure.png]
"""
import sys

import matplotlib
matplotlib.use("Agg")
import matplotlib.pyplot as plt

import stilt

CLAY = {"gamma": 0.0208, "c": 5.0, "eps50": 0.01}  # pci, psi, -


def main(figure="py_curve_family.png"):
    fig, ax = plt.subplots()
    for depth in (12.0, 36.0, 60.0, 120.0, 240.0):
        y, p = stilt.py_curve("soft_clay", CLAY, depth, 24.0)
        ax.plot(y, p, marker=".", label=f"{depth / 12.0:.0f} ft")
    ax.set_xlabel("deflection y (in)")
    ax.set_ylabel("soil resistance p (lb/in)")
    ax.set_title("Soft clay, static loading, 24-in pile")
    ax.legend(title="depth")
    ax.grid(True, linewidth=0.3)
    fig.savefig(figure, dpi=120)
    print(f"figure in {figure}")


if __name__ == "__main__":
    main(*sys.argv[1:])
