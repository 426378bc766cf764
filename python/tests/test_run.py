"""Runs from Python against the stilt command's results.json, statics and the stop protocol."""
import json
import subprocess
import threading

import numpy as np
import pytest

import stilt

PINNED = (2024, 1, 2, 3, 4, 5)


def test_python_run_equals_results_json_of_the_same_deck(first3d, cli, tmp_path):
    subprocess.run([cli, "run", str(first3d), "--out", str(tmp_path / "cli"), "--quiet"],
                   check=True)
    doc = json.loads((tmp_path / "cli" / "results.json").read_text())
    r = stilt.run(first3d, out=tmp_path / "py", threads=1)
    assert r.status == 0 and r.completed
    (item,) = r.items
    jitem = doc["items"][0]
    np.testing.assert_allclose(item.cap_displacement, jitem["cap_displacement"], rtol=1e-12)
    for pile, jpile in zip(item.piles, jitem["piles"]):
        np.testing.assert_allclose(pile.head_force, jpile["head_force_global"], rtol=1e-12,
                                   atol=1e-9)
        for name, values in pile.along.quantities.items():
            np.testing.assert_allclose(values, jpile["along"][name], rtol=1e-12, atol=1e-12)


def test_heads_balance_the_applied_load_and_tables_carry_units(first3d, tmp_path):
    r = stilt.run(first3d, threads=1)
    item = r.item(("case", 1))
    # Statics of the rigid cap: the piles' head forces on the cap balance the load of the deck,
    # 2.4E5 lb down and 1.6E4 lb along +Y (within the cap tolerance of 1E-4).
    total = sum(np.asarray(p.head_force) for p in item.piles)
    np.testing.assert_allclose(-total[:3], [2.4e5, 1.6e4, 0.0], rtol=1e-3, atol=2.0)
    assert item.piles[0].head_force["Y"] == pytest.approx(total[1] / 4, rel=0.2)
    heads = r.heads()
    assert len(heads) == 4 and heads.attrs["units"]["force_X"] == "LBS"
    along = r.along(("case", 1), 2)
    # 80 increments of 6 in: 81 nodes from the head to the 480-in tip.
    assert len(along) == 81 and along["distance"].iloc[-1] == pytest.approx(480.0)
    assert along.attrs["units"]["moment_z"] == "LBS-IN"
    # Node 0 is the head: its deflection is the head displacement in pile axes.
    head = item.pile(2).head_displacement_local
    assert along["deflection_y"].iloc[0] == pytest.approx(head["y"], rel=1e-9)


def test_refine_cuts_every_increment_and_auto_compares_the_meshes(first3d):
    r = stilt.run(first3d, threads=1, refine=2)
    along = r.along(("case", 1), 2)
    # 80 increments of 6 in cut in two: 161 nodes 3 in apart, still ending at the 480-in tip.
    assert r.refine == 2 and r.mesh_convergence is None
    assert len(along) == 161 and along["distance"].iloc[1] == pytest.approx(3.0)
    assert along["distance"].iloc[-1] == pytest.approx(480.0)
    # The cap still balances the same load on the finer mesh.
    total = sum(np.asarray(p.head_force) for p in r.item(0).piles)
    np.testing.assert_allclose(-total[:3], [2.4e5, 1.6e4, 0.0], rtol=1e-3, atol=2.0)
    auto = stilt.run(first3d, threads=1, refine="auto")
    mesh = auto.mesh_convergence
    assert mesh["factors"][:2] == [1, 2] and mesh["final_factor"] == auto.refine
    cap = mesh["items"][0]["cap_displacement"]
    # Richardson's extrapolation from the two finest meshes, worked from the values themselves.
    fine, coarse = cap["values"][-1], cap["values"][-2]
    np.testing.assert_allclose(cap["extrapolated"], (4 * fine - coarse) / 3, rtol=1e-9,
                               atol=1e-15)
    with pytest.raises(ValueError):
        stilt.run(first3d, refine=17)


def test_refused_input_raises_with_status_and_line(first3d):
    lines = first3d.read_text().splitlines()
    n = next(i for i, l in enumerate(lines) if l.startswith("80 480.0 1")) + 1
    lines[n - 1] = "80 abc 1"
    first3d.write_text("\n".join(lines) + "\n")
    with pytest.raises(stilt.StiltError) as e:
        stilt.run(first3d)
    assert e.value.status == 43
    assert f"(LINE {n})" in " ".join(e.value.message)


def test_progress_callback_stops_the_run_with_status_4(first3d):
    seen = []

    def progress(event):
        seen.append(event["phase"])
        return False

    r = stilt.run(first3d, progress=progress)
    assert r.status == 4 and not r.completed
    # The engine stopped at its next check: the item never finished.
    assert seen[0] == "started" and "finished" not in seen


def test_interrupt_in_progress_stops_engine_then_raises(first3d):
    def progress(event):
        raise KeyboardInterrupt

    with pytest.raises(KeyboardInterrupt):
        stilt.run(first3d, progress=progress)
    runtime = (first3d.parent / "first3d" / "first3d.run").read_text()
    assert "ANALYSIS STOPPED BY USER" in runtime


def test_two_runs_in_two_threads_give_the_files_of_separate_runs(first3d, tmp_path):
    stilt.run(first3d, out=tmp_path / "alone", threads=1, _clock=PINNED)
    workers = [threading.Thread(target=stilt.run, args=(first3d,),
                                kwargs={"out": tmp_path / f"t{i}", "threads": 1,
                                        "_clock": PINNED}) for i in range(2)]
    for w in workers:
        w.start()
    for w in workers:
        w.join()
    for f in sorted((tmp_path / "alone").iterdir()):
        for i in range(2):
            assert (tmp_path / f"t{i}" / f.name).read_bytes() == f.read_bytes(), f.name


def test_progress_reports_every_item_up_to_its_full_load(first3d):
    events = []
    r = stilt.run(first3d, threads=2, progress=events.append)
    assert r.completed
    assert events[0]["phase"] == "started" and events[-1]["phase"] == "finished"
    iterations = [e for e in events if e["phase"] == "iteration"]
    # Four load steps of 25 %: the last iterations apply the whole load to all four piles.
    assert iterations[-1]["load_fraction"] == pytest.approx(1.0)
    assert {e["pile_count"] for e in iterations} == {4}
    assert all(e["item"] == 1 and e["item_count"] == 1 for e in events)
    # Every phase the engine reports has a name, and the pile passes count up to the four piles.
    assert {e["phase"] for e in events} <= {"started", "iteration", "finished", "piles", "writing"}
    passes = [e for e in events if e["phase"] == "piles"]
    assert all(0 <= e["piles_done"] <= e["pile_count"] == 4 for e in passes)


def test_results_are_the_same_on_any_thread_count_and_heads_only_on_request(first3d, tmp_path):
    one = stilt.run(first3d, out=tmp_path / "one", threads=1)
    two = stilt.run(first3d, out=tmp_path / "two", threads=2, results="heads")
    np.testing.assert_array_equal(one.items[0].cap_displacement, two.items[0].cap_displacement)
    assert two.items[0].piles[0].along is None
    with pytest.raises(ValueError):
        two.along(0, 1)
    assert one.item("Dead load with wind from +Y") is one.items[0]
    with pytest.raises(KeyError):
        one.item(("combination", 1))


def test_missing_input_and_an_input_among_the_run_files_are_refused(first3d, tmp_path):
    with pytest.raises(stilt.StiltError) as e:
        stilt.run(tmp_path / "nothing.dat")
    assert e.value.status == 41
    # The input would be overwritten by the run's own Names.dat.
    names = tmp_path / "Names.dat"
    names.write_text(first3d.read_text())
    with pytest.raises(stilt.StiltError) as e:
        stilt.run(names, out=tmp_path)
    assert e.value.status == 40
    with pytest.raises(ValueError):
        stilt.run(first3d, stiffness="forward")


def test_combination_and_battered_pile_obey_statics(tmp_path):
    from test_model import first3d_model
    m = first3d_model()
    m.piles[3].batter, m.piles[3].direction = 10.0, 45.0
    m.combinations = [stilt.Combination("1.5 x case 1", [stilt.CombinationTerm(1, 1.5)])]
    r = stilt.run(m, threads=1)
    case, comb = r.item(("case", 1)), r.item("1.5 x case 1")
    assert [i.kind for i in r.items] == ["case", "combination"] and comb.completed
    np.testing.assert_allclose(comb.cap_load[:2], [3.6e5, 2.4e4], rtol=1e-12)
    total = sum(np.asarray(p.head_force) for p in comb.piles)
    np.testing.assert_allclose(-total[:3], [3.6e5, 2.4e4, 0.0], rtol=1e-3, atol=3.0)
    # Pile axes are a rotation of the global ones: the head force keeps its magnitude, and on a
    # plumb pile the axial component is the vertical one.
    for p in comb.piles:
        assert np.linalg.norm(p.head_force_local[:3]) == pytest.approx(
            np.linalg.norm(p.head_force[:3]), rel=1e-9)
    battered, plumb = comb.pile(4), comb.pile(1)
    assert plumb.head_force_local["x"] == pytest.approx(plumb.head_force["X"], rel=1e-12)
    assert abs(battered.head_force_local["x"] - battered.head_force["X"]) > 1.0
    heads = r.heads()
    assert len(heads) == 8 and list(heads["kind"]).count("combination") == 4
    assert len(case.piles) == 4
