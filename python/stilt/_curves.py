"""The engine's curve generators, for plotting and checking curves without a run."""

import numpy as np

from . import _stilt
from ._errors import StiltError

_UNITS = {"english": 1, "metric": 2}
_PILE_TYPES = {"driven": 1, "drilled": 2, "drilled_shaft": 2}


def _units(units):
    try:
        return _UNITS[units]
    except KeyError:
        raise ValueError("units must be 'english' or 'metric'") from None


def py_curve(family, parameters, depth, diameter, deflections=None, units="english",
             cyclic=False, cycles=1, p_multiplier=1.0, y_multiplier=1.0):
    """The p-y curve of soil `family` (``"soft_clay"``, ``"sand"``, ... or its code) with its
    `parameters` by name (``gamma``, ``c``, ``phi``, ``k``, ``Er``, ``eps50``, ``rqd``) in a
    uniform layer from the ground surface, at `depth` below it, for a pile `diameter` wide.
    Returns (y, p) numpy arrays: at the family's own deflections, or at `deflections`. The curve
    is generated as a run prints it, with the multipliers applied. Raises StiltError with the
    generator's status and message when the soil lacks what the family needs."""
    r = _stilt.py_curve(family, dict(parameters), float(depth), float(diameter),
                        [] if deflections is None else [float(v) for v in deflections],
                        _units(units), bool(cyclic), int(cycles), float(p_multiplier),
                        float(y_multiplier))
    if r["status"] != 0:
        raise StiltError(r["status"], r["message"])
    return r["y"], r["p"]


def tz_curve(family, parameters, depth, diameter, pile_type="driven", units="english"):
    """The t-z curve (unit side load transfer t against pile movement z) of soil `family` with
    its `parameters` by name (``side`` the ultimate unit side friction, estimated from the soil
    when 0 or absent) at `depth` below the ground surface, for a driven pile or a drilled shaft
    of `diameter`. Returns (z, t) numpy arrays of its 10 points; the largest t is the ultimate
    unit side friction used."""
    try:
        kind = _PILE_TYPES[pile_type] if isinstance(pile_type, str) else int(pile_type)
    except KeyError:
        raise ValueError("pile_type must be 'driven' or 'drilled'") from None
    r = _stilt.tz_curve(family, dict(parameters), float(depth), float(diameter), kind,
                        _units(units))
    if r["status"] != 0:
        raise StiltError(r["status"], r["message"])
    return np.asarray(r["z"]), np.asarray(r["t"])
