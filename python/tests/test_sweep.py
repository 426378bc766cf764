"""Many runs: a local process pool and a dask.distributed cluster against runs made one by one."""
import numpy as np
import pytest

import stilt
from test_model import first3d_model


def load_sweep(count):
    models = []
    for k in range(count):
        m = first3d_model()
        m.cases[0].loads[0].py = 4.0e3 * (k + 1)
        models.append(m)
    return models


def test_local_sweep_keeps_order_and_reports_a_failure_in_place(tmp_path):
    models = load_sweep(3)
    bad = first3d_model()
    bad.piles[0].property = 2
    results = stilt.sweep([models[0], bad, models[1], tmp_path / "missing.dat", models[2]],
                          workers=2)
    assert isinstance(results[1], stilt.StiltError) and results[1].status == 45
    assert isinstance(results[3], stilt.StiltError) and results[3].status == 41
    # A larger lateral load moves the cap further along +Y.
    moves = [results[i].items[0].cap_displacement["Y"] for i in (0, 2, 4)]
    assert 0.0 < moves[0] < moves[1] < moves[2]


def test_dask_sweep_equals_runs_made_one_by_one():
    distributed = pytest.importorskip(
        "distributed", reason="python3-distributed is not installed: no dask cluster to test on")
    models = load_sweep(8)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=False,
                                  dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        swept = stilt.sweep(models, client=client)
    for model, r in zip(models, swept):
        alone = stilt.run(model, threads=1)
        np.testing.assert_allclose(r.items[0].cap_displacement, alone.items[0].cap_displacement,
                                   rtol=0, atol=0)


def test_serial_sweep_keeps_the_files_of_each_run_in_its_own_folder(first3d, tmp_path):
    results = stilt.sweep([first3d, first3d], workers=1, out=tmp_path / "runs")
    for i, r in enumerate(results, start=1):
        folder = tmp_path / "runs" / f"run_{i:04d}"
        assert r.completed and (folder / "Names.dat").is_file()
    np.testing.assert_array_equal(results[0].items[0].cap_displacement,
                                  results[1].items[0].cap_displacement)
