"""A single steel pipe pile in soft clay under a lateral load on its cap (one pile: the cap turns
with the head, which so acts as a free head):
deflection and bending moment along the pile, plotted with matplotlib.

    PYTHONPATH=build/python python3 examples/python/single_pile.py [figure.png]
"""
import sys

import matplotlib
matplotlib.use("Agg")
import matplotlib.pyplot as plt

import stilt


def single_pile(lateral_load, axial_load=50.0e3):
    """One 24-in pipe pile, 60 ft long, in soft clay; loads in lb at the head (English units)."""
    m = stilt.Model(units="english", title=("Single pile in soft clay", ""), print_option=2)
    m.piles = [stilt.Pile()]
    m.sections = [stilt.CrossSection("pipe", "PIPE 24 X 0.5", [24.0, 23.0] + [0.0] * 6,
                                     area=36.9, iz=2549.0, iy=2549.0, gj=5.7e10)]
    m.properties = [stilt.PileProperty(720.0, [stilt.PileSegment(0.0, 720.0, 29.0e6)])]
    m.layers = [stilt.SoilLayer(0.0, 900.0, "soft_clay",
                                {"gamma": 0.0208, "c": 5.0, "eps50": 0.01},
                                {"gamma": 0.0208, "c": 12.0, "eps50": 0.005})]
    m.cases = [stilt.LoadCase("Lateral load", [stilt.PointLoad(px=axial_load, py=lateral_load)])]
    return m


def main(figure="single_pile.png"):
    r = stilt.run(single_pile(20.0e3))
    along = r.along(0, 1)
    units = along.attrs["units"]
    fig, (ax1, ax2) = plt.subplots(1, 2, sharey=True, figsize=(8, 6))
    ax1.plot(along["deflection_y"], along["depth"])
    ax1.set_xlabel(f"deflection y ({units['deflection_y']})")
    ax1.set_ylabel(f"depth below ground ({units['depth']})")
    ax1.invert_yaxis()
    ax2.plot(along["moment_z"], along["depth"], color="tab:red")
    ax2.set_xlabel(f"bending moment ({units['moment_z']})")
    for ax in (ax1, ax2):
        ax.axvline(0.0, color="grey", linewidth=0.5)
        ax.grid(True, linewidth=0.3)
    fig.suptitle(f"{r.title}: {r.items[0].result_text}")
    fig.savefig(figure, dpi=120)
    print(f"head deflection {along['deflection_y'].iloc[0]:.3f} {units['deflection_y']}, "
          f"largest moment {along['moment_z'].abs().max():.4g} {units['moment_z']}; "
          f"figure in {figure}")


if __name__ == "__main__":
    main(*sys.argv[1:])
