"""One run of the engine from Python: on an input data file or a Model, in this process, with
the GIL released while the engine works."""

import os
import shutil
import tempfile
from pathlib import Path

from . import _stilt
from ._errors import StiltError
from ._model import Model
from ._results import STATUS_STOPPED, Results

STATUS_OUTPUT_CLASH = 40
STATUS_INPUT_MISSING = 41
STIFFNESS_METHODS = ("central", "tangent")
RESULT_LEVELS = ("full", "heads")


# Memory-backed scratch space for runs whose files are not kept: the engine commits its runtime
# file to disk at every checkpoint, which on a disk costs more than a small run's analysis.
_SHARED_MEMORY = "/dev/shm"
_SCRATCH_FREE = 1 << 30


def scratch_folder(prefix):
    """A new temporary folder for the files of a run that are not kept: in TMPDIR when the user
    names one, else in shared memory when it has room, else in the system's temporary folder."""
    if "TMPDIR" not in os.environ:
        try:
            st = os.statvfs(_SHARED_MEMORY)
            if os.access(_SHARED_MEMORY, os.W_OK) and st.f_bavail * st.f_frsize > _SCRATCH_FREE:
                return tempfile.mkdtemp(prefix=prefix, dir=_SHARED_MEMORY)
        except OSError:
            pass
    return tempfile.mkdtemp(prefix=prefix)


def _prepare(input_path, out):
    """The output folder of a run of `input_path`, created, with a stale stop file removed."""
    input_path = Path(input_path)
    if not input_path.is_file():
        raise StiltError(STATUS_INPUT_MISSING,
                         [f"{input_path}: the input is missing or is not a regular file"])
    folder = Path(out) if out is not None else Path(_stilt.default_output_folder(str(input_path)))
    clash = _stilt.input_clash(str(input_path), str(folder))
    if clash is not None:
        raise StiltError(STATUS_OUTPUT_CLASH, [clash])
    try:
        folder.mkdir(parents=True, exist_ok=True)
    except OSError as e:
        raise StiltError(STATUS_INPUT_MISSING, [f"{folder}: {e.strerror}"]) from None
    # A stop file left by an interrupted run would stop this one at once.
    stop_file = folder / (input_path.stem + ".stp")
    if stop_file.is_file():
        stop_file.unlink()
    return folder


def run(path_or_model, out=None, threads=None, stiffness="central", progress=None,
        results="full", refine=1, _clock=None):
    """Runs the engine on an input data file (path) or a Model and returns its Results.

    The files of the run go to `out`, or for a file to the folder beside it named after its
    stem (as `stilt run` lays them out); a Model run without `out` keeps no files. `threads`:
    threads of the pile pass (None: one per core). `stiffness`: "central" (central differences,
    the default) or "tangent". `refine`: every pile analysed on K (1..16) times its increments,
    or "auto" (K = 1, 2 and 4 when needed, compared in ``Results.mesh_convergence``). `results`: "full" or "heads" (no quantities along the piles).
    `progress`, when given, is called with a dict for every progress record of the engine
    (phase, item, load_fraction, iteration, ...); returning False stops the run, which then
    ends with status 4. Ctrl-C stops the engine at its next check and raises KeyboardInterrupt.

    Raises StiltError when the run is refused or fails (status other than 0 and 4)."""
    if stiffness not in STIFFNESS_METHODS:
        raise ValueError(f"stiffness must be one of {STIFFNESS_METHODS}, not {stiffness!r}")
    if results not in RESULT_LEVELS:
        raise ValueError(f"results must be one of {RESULT_LEVELS}, not {results!r}")
    if threads is not None and (int(threads) != threads or threads < 1):
        raise ValueError("threads must be a whole number of at least 1")
    if refine == "auto":
        factor = 0  # the engine's code for an automatic refinement
    elif isinstance(refine, int) and 1 <= refine <= 16:
        factor = refine
    else:
        raise ValueError(f"refine must be a whole number from 1 to 16 or 'auto', not {refine!r}")
    if progress is not None and not callable(progress):
        raise TypeError("progress must be callable")
    scratch = None
    try:
        if isinstance(path_or_model, Model):
            text = path_or_model.deck()
            if out is None:
                scratch = scratch_folder("stilt-")
                base = Path(scratch)
            else:
                base = Path(out)
                base.mkdir(parents=True, exist_ok=True)
            input_path = base / "model.dat"
            input_path.write_text(text, encoding="ascii")
            folder = _prepare(input_path, base / "model")
        else:
            input_path = Path(os.fspath(path_or_model))
            folder = _prepare(input_path, out)
        raw = _stilt.run(str(input_path.resolve()), str(folder), int(threads or 0), stiffness,
                         factor, results == "full", progress, _clock)
        r = Results(raw)
        if scratch is not None:
            r.folder = None
        if r.status not in (0, STATUS_STOPPED):
            raise StiltError(r.status, r.message, r)
        return r
    finally:
        if scratch is not None:
            shutil.rmtree(scratch, ignore_errors=True)
