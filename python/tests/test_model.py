"""Models built in Python: the checks of `stilt check`, the written file and reading one back."""
import numpy as np
import pytest

import stilt
from stilt import (CrossSection, LoadCase, Model, Pile, PileProperty, PileSegment, PointLoad,
                   SoilLayer)


def first3d_model():
    """The input guide's first three-dimensional example, built from its description."""
    m = Model(units="english", title=("First 3-D model from Python", ""), print_option=2,
              node_interval=10)
    m.piles = [Pile(y=y, z=z) for z in (-30.0, 30.0) for y in (-30.0, 30.0)]
    m.sections = [CrossSection("pipe", "PIPE 18 X 0.5", [18.0, 17.0] + [0.0] * 6, area=27.49,
                               iz=1053.2, iy=1053.2, gj=2.359e10, mn=7.66e6, vn=4.12e5)]
    m.properties = [PileProperty(480.0, [PileSegment(0.0, 480.0, 29.0e6)], increments=80)]
    m.layers = [SoilLayer(0.0, 180.0, "soft_clay", {"gamma": 0.0208, "c": 3.0, "eps50": 0.02},
                          {"gamma": 0.0208, "c": 6.0, "eps50": 0.02}),
                SoilLayer(180.0, 600.0, "sand", {"gamma": 0.0336, "phi": 34.0, "k": 60.0},
                          {"gamma": 0.0336, "phi": 36.0, "k": 60.0})]
    m.cases = [LoadCase("Dead load with wind from +Y", [PointLoad(px=2.4e5, py=1.6e4)],
                        axial_variation=True)]
    return m


def test_model_built_in_python_gives_the_results_of_the_hand_written_file(first3d, tmp_path):
    model = first3d_model()
    assert model.check().ok
    written = model.write(tmp_path / "built.dat")
    by_hand = stilt.run(first3d, threads=1).items[0]
    built = stilt.run(written, threads=1).items[0]
    np.testing.assert_allclose(built.cap_displacement, by_hand.cap_displacement, rtol=1e-12)
    for a, b in zip(built.piles, by_hand.piles):
        np.testing.assert_allclose(a.head_force, b.head_force, rtol=1e-12, atol=1e-9)
        np.testing.assert_allclose(a.along["moment_z"], b.along["moment_z"], rtol=1e-12,
                                   atol=1e-9)
    # Read back, the file gives the model that wrote it; written again, the same text.
    again = Model.read(written)
    assert again.deck() == model.deck()
    with pytest.raises(stilt.StiltError) as e:
        model.write(written)
    assert e.value.status == 40


def test_checks_refuse_what_a_run_would_refuse():
    model = first3d_model()
    model.piles[2].property = 3  # a property that does not exist
    with pytest.raises(stilt.StiltError) as e:
        stilt.run(model)
    assert e.value.status == 45 and "pile 3" in " ".join(e.value.message)
    model = first3d_model()
    model.properties[0].length = 720.0  # the tip now lies below the 600-in profile
    model.properties[0].segments[0].end = 720.0
    result = model.check()
    assert any(f.error for f in result.findings)
    with pytest.raises(stilt.StiltError) as e:
        stilt.run(model)
    assert e.value.status == result.status != 0
    with pytest.raises(stilt.StiltError) as e:
        Model.read(stilt.__file__)  # not an input data file at all
    assert 42 <= e.value.status <= 46


def test_two_dimensional_file_is_refused_as_a_model(first3d):
    from conftest import SOURCE
    with pytest.raises(stilt.StiltError) as e:
        Model.read(SOURCE / "examples" / "first2d.dat")
    assert "two-dimensional" in " ".join(e.value.message)


SOFT_CLAY = {"gamma": 0.0208, "c": 4.0, "eps50": 0.02}


def test_py_curve_follows_matlock_soft_clay():
    # Matlock (1970), static: pu = min(3 + g'x/c + 0.5x/b, 9)·c·b; y50 = 2.5·e50·b;
    # p = 0.5·pu·(y/y50)^(1/3) up to 8·y50, pu beyond. At x = 60 in, b = 18 in:
    pu = (3.0 + 0.0208 * 60.0 / 4.0 + 0.5 * 60.0 / 18.0) * 4.0 * 18.0  # 358.4 lb/in
    y50 = 2.5 * 0.02 * 18.0  # 0.9 in
    y, p = stilt.py_curve("soft_clay", SOFT_CLAY, 60.0, 18.0, deflections=[y50, 8 * y50, 20.0])
    np.testing.assert_allclose(y, [y50, 8 * y50, 20.0])
    np.testing.assert_allclose(p, [0.5 * pu, pu, pu], rtol=1e-12)
    with pytest.raises(ValueError):
        stilt.py_curve("clay", SOFT_CLAY, 60.0, 18.0)


def test_py_curve_equals_the_curves_a_run_prints(first3d, tmp_path):
    text = first3d.read_text().splitlines()
    a2 = next(i for i, l in enumerate(text) if l.startswith("CONTROL PARAMETERS")) + 1
    text[a2] = "1 3 0 0 0 0 0 0 0 0 1 0 0 0 0 0"  # switch 11: printed p-y curves
    i = next(i for i, l in enumerate(text) if l.startswith("SOIL LAYERS"))
    # One uniform soft clay down to 600 in, as the curve function's layer.
    text[i + 1:] = ["1", "1 0", "0.0 600.0", "2 9", "0.0208 4.0 0 0 0 0.02 0 0 0",
                    "0.0208 4.0 0 0 0 0.02 0 0 0", "PRINTED P-Y CURVES", "2", "1 60.0", "0", "",
                    "2 120.0", "3", "0.1 0.5 2.0"]
    first3d.write_text("\n".join(text) + "\n")
    printed = stilt.run(first3d, results="heads").printed_curves
    y, p = stilt.py_curve("soft_clay", SOFT_CLAY, 60.0, 18.0)
    assert len(y) == 17
    np.testing.assert_allclose(printed[0]["y"], y, rtol=1e-12)
    np.testing.assert_allclose(printed[0]["p"], p, rtol=1e-12)
    y, p = stilt.py_curve(1, SOFT_CLAY, 120.0, 18.0, deflections=[0.1, 0.5, 2.0])
    np.testing.assert_allclose(printed[1]["p"], p, rtol=1e-12)


def test_tz_curve_of_a_driven_pile_in_clay_follows_coyle_and_reese():
    # Coyle and Reese (1966): the side friction peaks at 0.08 in and falls to 0.93 of it.
    z, t = stilt.tz_curve("soft_clay", dict(SOFT_CLAY, side=2.5), 60.0, 18.0)
    assert len(z) == 10 and z[0] == 0.0 and t[0] == 0.0
    assert t.max() == pytest.approx(2.5) and z[t.argmax()] == pytest.approx(0.08)
    assert t[-1] == pytest.approx(0.93 * 2.5)


def test_reading_the_hand_written_file_gives_its_values(first3d):
    m = Model.read(first3d)
    assert m.units == "english" and len(m.piles) == 4 and m.print_option == 2
    assert (m.piles[1].y, m.piles[1].z, m.piles[1].batter) == (30.0, -30.0, 0.0)
    assert m.sections[0].name == "PIPE 18 X 0.5" and m.sections[0].gj == 2.359e10
    assert m.layers[1].family == "sand" and m.layers[1].at_bottom["phi"] == 36.0
    assert m.properties[0].increments == 80 and m.cases[0].loads[0].py == 1.6e4
    assert m.cases[0].axial_variation and m.cases[0].control.minimum_increment == 0.01


@pytest.mark.parametrize("change, status, words", [
    (lambda m: setattr(m.piles[0], "x", "deep"), 43, "pile 1: x is not a number"),
    (lambda m: setattr(m.layers[0], "family", "peat"), 46, "unknown family 'peat'"),
    (lambda m: m.layers[0].at_top.update(cu=3.0), 46, "unknown soil parameter 'cu'"),
    (lambda m: setattr(m.cases[0].control, "cycles", 1.5), 43, "cycles must be a whole"),
    (lambda m: setattr(m, "units", "imperial"), 46, "unknown units 'imperial'"),
])
def test_values_of_the_wrong_kind_are_refused_with_their_place(change, status, words):
    m = first3d_model()
    change(m)
    with pytest.raises(stilt.StiltError) as e:
        m.check()
    assert e.value.status == status and words in " ".join(e.value.message)


def test_py_curve_in_metric_units_and_under_cyclic_loading():
    # Matlock (1970) is dimensionless in Np: c = 20 kPa, g' = 8 kN/m3, b = 0.6 m, x = 3 m.
    clay = {"gamma": 8.0, "c": 20.0, "eps50": 0.01}
    pu = min(3.0 + 8.0 * 3.0 / 20.0 + 0.5 * 3.0 / 0.6, 9.0) * 20.0 * 0.6  # 80.4 kN/m
    y50 = 2.5 * 0.01 * 0.6
    _, p = stilt.py_curve("soft_clay", clay, 3.0, 0.6, deflections=[y50], units="metric")
    assert p[0] == pytest.approx(0.5 * pu, rel=1e-12)
    # Cyclic: below xr = 6cb/(g'b + 0.5c) = 5.88 m the resistance beyond 15·y50 falls to
    # 0.72·pu·x/xr; at and below xr it stays at 0.72·pu.
    xr = 6.0 * 20.0 * 0.6 / (8.0 * 0.6 + 0.5 * 20.0)
    _, p = stilt.py_curve("soft_clay", clay, 3.0, 0.6, deflections=[20 * y50], units="metric",
                          cyclic=True)
    assert p[0] == pytest.approx(0.72 * pu * 3.0 / xr, rel=1e-12)


def every_field_model():
    """A metric model that sets every value the table model holds away from its default."""
    m = Model(units="metric", title=("Every field", "second title line"), group_reduction=3,
              group_movement=(0.8, 0.6), cap_thickness=1.2, print_option=2, node_interval=4)
    m.piles = [Pile(x=0.5, y=-1.5, z=0.0, property=1, batter=10.0, direction=90.0,
                    connection_y=3, connection_z=1, spring_y=2.0e4, ground=1.5),
               Pile(x=0.5, y=1.5, z=0.0, property=2)]
    m.sections = [CrossSection("pipe", "PIPE 0.6", [0.6, 0.56] + [0.0] * 6, shear_modulus=8.0e7,
                               area=0.0365, iz=1.55e-3, iy=1.55e-3, gj=2.5e5, mn=900.0,
                               vn=1200.0),
                  CrossSection("general", "SHAFT 0.9", [0.9] + [0.0] * 7, area=0.636,
                               iz=0.0322, iy=0.0322, gj=1.3e6)]
    m.properties = [PileProperty(15.0, [PileSegment(0.0, 6.0, 2.0e8),
                                        PileSegment(6.0, 15.0, 2.1e8)], increments=60),
                    PileProperty(18.0, [PileSegment(0.0, 18.0, 2.5e7, 2)], increments=72,
                                 pile_type="drilled")]
    m.layers = [SoilLayer(0.0, 5.0, "stiff_clay_water",
                          {"gamma": 9.0, "c": 60.0, "k": 1.35e5, "eps50": 0.007, "side": 30.0},
                          {"gamma": 9.5, "c": 80.0, "k": 1.35e5, "eps50": 0.006, "side": 40.0}),
                SoilLayer(5.0, 30.0, "api_sand", {"gamma": 10.0, "phi": 35.0, "k": 2.4e4,
                                                  "tip": 5000.0})]
    m.cases = [LoadCase("Wind", [PointLoad(px=800.0, py=120.0, mz=30.0, x=0.5),
                                 PointLoad(pz=-40.0, my=15.0, mx=5.0, y=1.0, z=2.0)],
                        load_type=4, axial_variation=True,
                        control=stilt.SolutionControl(cyclic=True, cycles=20, cap_iterations=80,
                                                      pile_iterations=150, cap_tolerance=2e-4,
                                                      pile_tolerance=2e-6, increment=0.2,
                                                      minimum_increment=0.02)),
               LoadCase("Dead", [PointLoad(px=1500.0)])]
    m.combinations = [stilt.Combination("1.2D + W", [stilt.CombinationTerm(2, 1.2),
                                                     stilt.CombinationTerm(1, 1.0)],
                                        bending_factor=0.9, shear_factor=0.75)]
    return m


def test_every_field_survives_writing_and_reading_back(tmp_path):
    m = every_field_model()
    assert m.check().ok, m.check().report
    back = Model.read(m.write(tmp_path / "every.dat"))
    assert back.deck() == m.deck()
    p, c = back.piles[0], back.cases[0]
    assert (p.batter, p.direction, p.connection_y, p.connection_z, p.spring_y, p.ground) == \
        pytest.approx((10.0, 90.0, 3, 1, 2.0e4, 1.5))
    assert back.properties[1].pile_type == "drilled" and back.group_movement == (0.8, 0.6)
    assert c.control.cyclic and c.control.cycles == 20 and c.loads[1].mx == 5.0
    assert back.combinations[0].terms[0].factor == 1.2 and back.layers[1].at_top["tip"] == 5000


def test_tz_curve_of_a_drilled_shaft_in_sand_follows_reese_and_oneill():
    # Reese and O'Neill (1988): fmax = beta·s'v, beta = 1.5 - 0.135·sqrt(z in ft); at 20 ft
    # (240 in) in sand of 0.0336 pci, beta = 0.896 and fmax = 7.23 psi; the trend curve
    # keeps 0.95 of it at a movement of a tenth of the diameter.
    fmax = (1.5 - 0.135 * 20.0 ** 0.5) * 0.0336 * 240.0
    sand = {"gamma": 0.0336, "phi": 34.0, "k": 60.0}
    z, t = stilt.tz_curve("sand", sand, 240.0, 36.0, pile_type="drilled")
    assert z[-1] == pytest.approx(3.6) and t[-1] == pytest.approx(0.95 * fmax, rel=1e-9)


def test_py_curve_of_weak_rock_follows_reese_1997():
    # Reese (1997): alpha_r = 1 - (2/3)·RQD/100; above 3b, pur = alpha_r·qur·b·(1 + 1.4·x/b);
    # yrm = krm·b; p = 0.5·pur·(y/yrm)^(1/4) beyond the initial line, pur from 16·yrm on.
    rock = {"gamma": 0.08, "c": 1000.0, "Er": 1.0e5, "eps50": 0.0005, "rqd": 50.0}
    pur = (1.0 - 2.0 / 3.0 * 0.5) * 1000.0 * 24.0 * (1.0 + 1.4 * 36.0 / 24.0)  # 49 600 lb/in
    yrm = 0.0005 * 24.0
    _, p = stilt.py_curve("weak_rock", rock, 36.0, 24.0, deflections=[yrm, 16 * yrm, 100 * yrm])
    np.testing.assert_allclose(p, [0.5 * pur, pur, pur], rtol=1e-12)
    with pytest.raises(stilt.StiltError) as e:
        stilt.py_curve("weak_rock", dict(rock, c=0.0), 36.0, 24.0)
    assert e.value.status == 21  # weak rock without strength
