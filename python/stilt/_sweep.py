"""Many independent runs: a design sweep or a Monte Carlo study, on a local pool of processes or
on a dask.distributed cluster the caller already has."""

import os
import shutil
from concurrent.futures import ProcessPoolExecutor
from pathlib import Path

from ._run import run, scratch_folder


def _one(task):
    """One run of a sweep; a failure comes back as its exception, so that the others go on."""
    item, out, options = task
    scratch = None
    try:
        if out is None:
            scratch = scratch_folder("stilt-sweep-")
            out = Path(scratch) / "run"
        result = run(item, out=out, **options)
        if scratch is not None:
            result.folder = None
        return result
    except Exception as e:  # noqa: BLE001 - every failure is reported in its place
        return e
    finally:
        if scratch is not None:
            shutil.rmtree(scratch, ignore_errors=True)


def sweep(models, workers=None, client=None, out=None, threads=1, stiffness="central",
          results="full", refine=1):
    """Runs every model (a Model or the path of an input data file) independently and returns
    their Results in input order. A model that fails takes the place of its Results with the
    exception that says why (a StiltError with its status and message); the others still run.

    The runs go to a pool of `workers` local processes (None: one per core), or, when `client`
    (a dask.distributed Client) is given, to its cluster. With `out`, run i keeps its files in
    out/run_0001, out/run_0002, ...; without it no files are kept. `threads` is the pile-pass
    threads of each run (1: the pool's processes already share the cores); `refine` as for run()."""
    items = list(models)
    options = {"threads": threads, "stiffness": stiffness, "results": results, "refine": refine}
    tasks = [(item, None if out is None else Path(out) / f"run_{i + 1:04d}", options)
             for i, item in enumerate(items)]
    if client is not None:
        futures = client.map(_one, tasks, pure=False)
        return client.gather(futures)
    workers = workers or os.cpu_count() or 1
    if workers == 1 or len(tasks) <= 1:
        return [_one(t) for t in tasks]
    with ProcessPoolExecutor(max_workers=min(workers, len(tasks))) as pool:
        chunk = max(1, len(tasks) // (4 * workers))
        return list(pool.map(_one, tasks, chunksize=chunk))
