"""The results of one run: per load case and combination its outcome at the cap, per pile its
head vectors and the quantities along it, as numpy arrays in the run's units."""

import numpy as np

COMPONENTS = ("X", "Y", "Z", "RX", "RY", "RZ")
LOCAL_COMPONENTS = ("x", "y", "z", "rx", "ry", "rz")

# Convergence-status code of an item that analysed its whole load.
ITEM_COMPLETED = 1
STATUS_STOPPED = 4


class Vector(np.ndarray):
    """Six components (X, Y, Z vertical-down first, then the rotations about them) that can also be
    read by label: ``v["Y"]``. ``labels`` names the components, ``units`` gives their units."""

    def __new__(cls, values, labels, units):
        v = np.asarray(values, dtype=float).view(cls)
        v.labels = tuple(labels)
        v.units = tuple(units)
        return v

    def __array_finalize__(self, obj):
        self.labels = getattr(obj, "labels", COMPONENTS)
        self.units = getattr(obj, "units", ())

    def __getitem__(self, key):
        if isinstance(key, str):
            return float(np.asarray(self)[self.labels.index(key)])
        return super().__getitem__(key)

    def __reduce__(self):
        return (Vector, (np.asarray(self), self.labels, self.units))


class Along:
    """The result quantities along one pile, node by node from the head (node 0) to the tip.

    ``distance`` is measured along the pile from its head, ``depth`` below the ground surface; each
    quantity the analysis computed (``deflection_y``, ``moment_z``, ...) is an array, read as
    ``along["moment_z"]`` or ``along.moment_z``; ``units[name]`` is its unit."""

    def __init__(self, values, names, units, computed, increment, head_depth, length_unit):
        n = values.shape[0]
        self.distance = np.arange(n) * increment
        self.depth = head_depth + self.distance
        self.quantities = {}
        self.units = {"distance": length_unit, "depth": length_unit}
        for q, name in enumerate(names):
            if computed[q]:
                self.quantities[name] = np.ascontiguousarray(values[:, q])
                self.units[name] = units[q]

    def __getitem__(self, name):
        if name in ("distance", "depth"):
            return getattr(self, name)
        return self.quantities[name]

    def __getattr__(self, name):
        quantities = self.__dict__.get("quantities", {})
        if name in quantities:
            return quantities[name]
        raise AttributeError(name)

    def __iter__(self):
        return iter(self.quantities)


class PileResult:
    """One pile of a solved item: its head displacement and force in global axes and in the pile's
    own axes (x along the pile), the largest stress and, at the full result level, ``along``."""

    def __init__(self, number, heads, max_stress, along, units):
        moves, forces = units
        self.number = number
        self.head_displacement = Vector(heads[0], COMPONENTS, moves)
        self.head_force = Vector(heads[1], COMPONENTS, forces)
        self.head_displacement_local = Vector(heads[2], LOCAL_COMPONENTS, moves)
        self.head_force_local = Vector(heads[3], LOCAL_COMPONENTS, forces)
        self.max_stress = max_stress
        self.along = along

    def __repr__(self):
        return f"PileResult(number={self.number})"


class Item:
    """One load case or combination: how it ended, the cap load and displacement it reached and
    its piles. ``completed`` is true when it analysed its whole load ("1 ANALYSIS COMPLETED")."""

    def __init__(self, raw, pile_units, results):
        self.kind = raw["kind"]
        self.number = raw["number"]
        self.name = raw["name"].rstrip()
        self.analysed = raw["analysed"]
        self.result_code = raw["result_code"]
        self.result_text = raw["result_text"]
        self.has_results = raw["has_results"]
        self.converged_fraction = raw["converged_fraction"]
        self.iterations = raw["iterations"]
        moves, forces = pile_units
        self.cap_load = Vector(raw["cap_load"], COMPONENTS, forces)
        self.cap_displacement = Vector(raw["cap_displacement"], COMPONENTS, moves)
        self.passive_force = Vector(raw["passive_force"], COMPONENTS, forces)
        self.piles = []
        for i, number in enumerate(raw["pile_numbers"]):
            along = raw["along"][i]
            if along is not None:
                along = Along(along["values"], results.quantity_names, results.quantity_units,
                              along["computed"], along["increment"], raw["head_depth"][i],
                              results.length_unit)
            self.piles.append(PileResult(number, raw["heads"][i], float(raw["max_stress"][i]),
                                         along, pile_units))

    @property
    def completed(self):
        return self.result_code == ITEM_COMPLETED

    def pile(self, number):
        """The pile numbered `number` (from 1, as in the input)."""
        for p in self.piles:
            if p.number == number:
                return p
        raise KeyError(f"{self.label} has no results for pile {number}")

    @property
    def label(self):
        return f"{'load case' if self.kind == 'case' else 'combination'} {self.number}"

    def __repr__(self):
        return f"Item({self.label}, {self.result_code} {self.result_text!r})"


class Results:
    """What a run gave: ``status`` (0 completed, 4 stopped), ``items`` (load cases, then
    combinations), the printed p-y curves, and tables of them as pandas DataFrames."""

    def __init__(self, raw):
        self.status = raw["status"]
        self.message = list(raw["message"])
        self.folder = raw["folder"]
        self.title = raw["title"].rstrip()
        self.units = {1: "english", 2: "metric"}.get(raw["units"], "open")
        self.force_unit = raw["force_unit"]
        self.length_unit = raw["length_unit"]
        self.moment_unit = raw["moment_unit"]
        self.stress_unit = raw["stress_unit"]
        self.quantity_names = list(raw["quantity_names"])
        self.quantity_units = list(raw["quantity_units"])
        self.pile_positions = raw["pile_positions"]
        # The pile mesh refinement factor of these results, and with refine="auto" the comparison
        # of the meshes (None otherwise): per item the cap displacement and per pile the head
        # forces and largest moment on every mesh, with their Richardson extrapolation.
        self.refine = raw["refine"]
        self.mesh_convergence = raw["mesh_convergence"]
        moves = (self.length_unit,) * 3 + ("RAD",) * 3
        forces = (self.force_unit,) * 3 + (self.moment_unit,) * 3
        self.items = [Item(i, (moves, forces), self) for i in raw["items"]]
        self.printed_curves = [
            {k: c[k] for k in ("number", "pile", "depth", "generated", "soil_code", "y", "p",
                               "message")} for c in raw["printed_curves"]]

    @property
    def completed(self):
        """The run completed and so did every analysed load case and combination."""
        return self.status == 0 and all(i.completed for i in self.items if i.analysed)

    def item(self, key):
        """An item by its position in ``items`` (from 0), by ``("case", n)`` or
        ``("combination", n)`` (n from 1, as in the input), or by its name."""
        if isinstance(key, Item):
            return key
        if isinstance(key, int):
            return self.items[key]
        if isinstance(key, tuple):
            kind, number = key
            kind = {"load case": "case"}.get(kind, kind)
            for i in self.items:
                if i.kind == kind and i.number == number:
                    return i
        if isinstance(key, str):
            for i in self.items:
                if i.name == key:
                    return i
        raise KeyError(f"no load case or combination {key!r} in these results")

    def heads(self):
        """One row per solved item and pile: its head displacement and force, global and local,
        and its largest stress. Units are in ``DataFrame.attrs["units"]``."""
        import pandas as pd
        rows = []
        units = {}
        for item in self.items:
            for p in item.piles:
                row = {"kind": item.kind, "item": item.number, "name": item.name,
                       "pile": p.number}
                for prefix, v in (("displacement_", p.head_displacement),
                                  ("force_", p.head_force),
                                  ("local_displacement_", p.head_displacement_local),
                                  ("local_force_", p.head_force_local)):
                    for label, value, unit in zip(v.labels, np.asarray(v), v.units):
                        row[prefix + label] = value
                        units[prefix + label] = unit
                row["max_stress"] = p.max_stress
                rows.append(row)
        units["max_stress"] = self.stress_unit
        frame = pd.DataFrame(rows)
        frame.attrs["units"] = units
        return frame

    def along(self, item, pile):
        """The quantities along pile `pile` (numbered from 1) of `item` (see ``item``) as a
        DataFrame, one row per node from the head; units in ``DataFrame.attrs["units"]``."""
        import pandas as pd
        it = self.item(item)
        a = it.pile(pile).along
        if a is None:
            raise ValueError("the run kept the pile heads only (results='heads')")
        columns = {"distance": a.distance, "depth": a.depth}
        columns.update(a.quantities)
        frame = pd.DataFrame(columns)
        frame.attrs["units"] = dict(a.units)
        return frame

    def __repr__(self):
        return f"Results(status={self.status}, items={len(self.items)})"
