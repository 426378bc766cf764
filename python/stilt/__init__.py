"""stilt: nonlinear analysis of pile groups, from Python.

    import stilt
    r = stilt.run("examples/group3d.dat")          # Results: status, items, piles, arrays
    r.heads()                                      # pile-head table (pandas)
    r.along(0, 1)                                  # along pile 1 of the first item (pandas)
    m = stilt.Model.read("examples/first3d.dat")   # a model to change and run again
    y, p = stilt.py_curve("soft_clay", {"gamma": 0.0208, "c": 3.5, "eps50": 0.01}, 60.0, 24.0)
    rs = stilt.sweep([m1, m2, m3])                 # independent runs on local processes
"""

from ._curves import py_curve, tz_curve
from ._errors import StiltError
from ._model import (CheckResult, Combination, CombinationTerm, CrossSection, Finding, LoadCase,
                     Model, Pile, PileProperty, PileSegment, PointLoad, SoilLayer,
                     SolutionControl)
from ._results import Along, Item, PileResult, Results, Vector
from ._run import run
from ._sweep import sweep

__all__ = ["run", "sweep", "py_curve", "tz_curve", "StiltError", "Results", "Item", "PileResult",
           "Along", "Vector", "Model", "Pile", "SoilLayer", "CrossSection", "PileSegment",
           "PileProperty", "PointLoad", "SolutionControl", "LoadCase", "CombinationTerm",
           "Combination", "CheckResult", "Finding"]
