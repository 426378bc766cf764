"""A three-dimensional pile-group model built in Python: piles, pile properties with their
sections, cross sections, soil layers, load cases and combinations. Every value is in the units
the model declares once (``"english"``: lb, in; ``"metric"``: kN, m). The model is written as an
input data file by the writer of ``stilt new`` and checked as ``stilt check`` checks a file."""

import dataclasses
from dataclasses import dataclass, field
from pathlib import Path
from typing import List, Tuple, Union

from . import _stilt
from ._errors import StiltError

# Status of a file that exists and may not be overwritten, as `stilt new` gives it.
STATUS_OUTPUT_EXISTS = 40
STATUS_FILE_ERROR = 41
STATUS_WRITE_ERROR = 54


@dataclass
class Pile:
    """A pile head at (x, y, z), X vertical and positive downward; `batter` from the vertical in
    degrees toward plan `direction` (0 toward +Y, 90 toward +Z); head connections 1 pinned,
    2 fixed, 3 rotational spring; `ground` the X of the ground surface at the pile."""
    x: float = 0.0
    y: float = 0.0
    z: float = 0.0
    property: int = 1
    batter: float = 0.0
    direction: float = 0.0
    connection_y: int = 2
    connection_z: int = 2
    spring_y: float = 0.0
    spring_z: float = 0.0
    ground: float = 0.0


@dataclass
class SoilLayer:
    """A layer between depths `top` and `bottom` below the ground surface, of a p-y `family`
    (``"soft_clay"``, ``"sand"``, ... or its code), with its parameters by name (``gamma``, ``c``,
    ``phi``, ``k``, ``Er``, ``eps50``, ``rqd``, ``side``, ``tip``) at its top and, where they
    differ, at its bottom (else the top values hold throughout)."""
    top: float
    bottom: float
    family: Union[str, int]
    at_top: dict = field(default_factory=dict)
    at_bottom: dict = None


@dataclass
class CrossSection:
    """`shape` ``"general"``, ``"pipe"``, ``"box"``, ``"i_section"`` or ``"h_section"``;
    `dimensions` the equivalent diameter, inner diameter, width, depth, inner width, inner
    depth, flange and web thickness; the section properties where the shape does not give them."""
    shape: Union[str, int] = "pipe"
    name: str = ""
    dimensions: List[float] = field(default_factory=lambda: [0.0] * 8)
    shear_modulus: float = 0.0
    area: float = 0.0
    iz: float = 0.0
    iy: float = 0.0
    gj: float = 0.0
    mn: float = 0.0
    vn: float = 0.0


@dataclass
class PileSegment:
    """A part of a pile from `start` to `end` (distances from the head) of one `cross_section`
    (numbered from 1) and elastic `modulus`."""
    start: float
    end: float
    modulus: float
    cross_section: int = 1


@dataclass
class PileProperty:
    length: float
    segments: List[PileSegment] = field(default_factory=list)
    increments: int = 100
    pile_type: Union[str, int] = "driven"  # or "drilled"


@dataclass
class PointLoad:
    """A concentrated load on the cap at (x, y, z): forces along and moments about the axes."""
    px: float = 0.0
    py: float = 0.0
    pz: float = 0.0
    mx: float = 0.0
    my: float = 0.0
    mz: float = 0.0
    x: float = 0.0
    y: float = 0.0
    z: float = 0.0


@dataclass
class SolutionControl:
    cyclic: bool = False
    cycles: int = 1
    cap_iterations: int = 100
    pile_iterations: int = 100
    cap_tolerance: float = 1.0e-4
    pile_tolerance: float = 0.0  # 0: 1E-5 in or 1E-6 m
    increment: float = 0.25
    minimum_increment: float = 0.01


@dataclass
class LoadCase:
    name: str = ""
    loads: List[PointLoad] = field(default_factory=list)
    load_type: int = 0
    control: SolutionControl = field(default_factory=SolutionControl)
    axial_variation: bool = False


@dataclass
class CombinationTerm:
    load_case: int
    factor: float = 1.0


@dataclass
class Combination:
    name: str = ""
    terms: List[CombinationTerm] = field(default_factory=list)
    control: SolutionControl = field(default_factory=SolutionControl)
    bending_factor: float = 1.0
    shear_factor: float = 1.0


@dataclass
class Finding:
    error: bool
    line: int
    text: List[str]


@dataclass
class CheckResult:
    """What a run would make of the model: `status` 0 when it can be analysed, else the status
    the run would end with; the findings (errors and warnings with their lines of the written
    file) and the summary, as `stilt check` prints them in `report`."""
    status: int
    findings: List[Finding]
    summary: List[str]
    report: List[str]

    @property
    def ok(self):
        return self.status == 0


@dataclass
class Model:
    units: str = "english"
    title: Tuple[str, str] = ("", "")
    piles: List[Pile] = field(default_factory=list)
    layers: List[SoilLayer] = field(default_factory=list)
    properties: List[PileProperty] = field(default_factory=list)
    sections: List[CrossSection] = field(default_factory=list)
    cases: List[LoadCase] = field(default_factory=list)
    combinations: List[Combination] = field(default_factory=list)
    group_reduction: int = 0
    group_movement: Tuple[float, float] = (1.0, 1.0)
    cap_thickness: float = 0.0
    print_option: int = 1
    node_interval: int = 5

    def to_dict(self):
        d = dataclasses.asdict(self)
        for layer in d["layers"]:
            if layer["at_bottom"] is None:
                layer["at_bottom"] = layer["at_top"]
        return d

    @classmethod
    def from_dict(cls, d):
        """A model from the plain form ``to_dict`` gives (and ``read`` builds)."""
        def control(c):
            return SolutionControl(**c)
        m = cls(units=d["units"], title=tuple(d["title"]),
                group_reduction=d["group_reduction"], group_movement=tuple(d["group_movement"]),
                cap_thickness=d["cap_thickness"], print_option=d["print_option"],
                node_interval=d["node_interval"])
        m.piles = [Pile(**p) for p in d["piles"]]
        m.layers = [SoilLayer(**l) for l in d["layers"]]
        m.sections = [CrossSection(**s) for s in d["sections"]]
        m.properties = [PileProperty(length=p["length"], increments=p["increments"],
                                     pile_type=p["pile_type"],
                                     segments=[PileSegment(**s) for s in p["segments"]])
                        for p in d["properties"]]
        m.cases = [LoadCase(name=c["name"], load_type=c["load_type"],
                            control=control(c["control"]), axial_variation=c["axial_variation"],
                            loads=[PointLoad(**l) for l in c["loads"]]) for c in d["cases"]]
        m.combinations = [Combination(name=c["name"], control=control(c["control"]),
                                      bending_factor=c["bending_factor"],
                                      shear_factor=c["shear_factor"],
                                      terms=[CombinationTerm(**t) for t in c["terms"]])
                          for c in d["combinations"]]
        return m

    def _written(self):
        """(problems, text): the writer's problems with the model, or the input data file."""
        r = _stilt.write_model(self.to_dict())
        if "error" in r:
            raise StiltError(r["error"][0], [r["error"][1]])
        return r["problems"], r["text"]

    def deck(self):
        """The input data file of the model, as text. Raises StiltError when it cannot be
        written (a reference to nothing, a value out of range, ...)."""
        problems, text = self._written()
        if problems:
            raise StiltError(problems[0][0], [p[1] for p in problems])
        if not text.isascii():
            raise StiltError(46, ["titles and names of the model must be plain ASCII text"])
        return text

    def check(self):
        """The checks of `stilt check` on the model's input data file; a model the writer
        refuses gets the writer's problems as errors (line 0) and their first status."""
        problems, text = self._written()
        if problems:
            findings = [Finding(True, 0, [p[1]]) for p in problems]
            report = [f"error: {p[1]}" for p in problems]
            return CheckResult(problems[0][0], findings, [], report)
        r = _stilt.check(text)
        return CheckResult(r["status"], [Finding(f["error"], f["line"], list(f["text"]))
                                         for f in r["findings"]],
                           list(r["summary"]), list(r["report"]))

    def write(self, path, force=False):
        """Writes the model as an input data file at `path` once it passes the checks of
        `stilt check`; an existing file is kept unless `force`. Returns the path."""
        path = Path(path)
        result = self.check()
        if not result.ok:
            raise StiltError(result.status, result.report)
        text = self.deck()
        try:
            with open(path, "w" if force else "x", encoding="ascii") as f:
                f.write(text)
        except FileExistsError:
            raise StiltError(STATUS_OUTPUT_EXISTS,
                             [f"{path}: the file exists (force=True overwrites it)"]) from None
        except OSError as e:
            raise StiltError(STATUS_WRITE_ERROR, [f"{path}: {e.strerror}"]) from None
        return path

    @classmethod
    def read(cls, path):
        """The model of an input data file, read as a run reads it. Raises StiltError with the
        reader's status and message when the file is refused, or when it uses what a Model
        cannot hold (a two-dimensional analysis, user curves, distributed loads, ...)."""
        try:
            with open(path, "r", encoding="latin-1") as f:
                text = f.read()
        except OSError as e:
            raise StiltError(STATUS_FILE_ERROR, [f"{path}: {e.strerror}"]) from None
        r = _stilt.read_model(text)
        if "error" in r:
            raise StiltError(r["error"][0], r["error"][1].split("\n"))
        return cls.from_dict(r["model"])


__all__ = ["Model", "Pile", "SoilLayer", "CrossSection", "PileSegment", "PileProperty",
           "PointLoad", "SolutionControl", "LoadCase", "CombinationTerm", "Combination",
           "CheckResult", "Finding"]
