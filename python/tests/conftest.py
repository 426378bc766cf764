import os
import shutil
from pathlib import Path

import pytest

SOURCE = Path(os.environ.get("STILT_SOURCE_DIR", Path(__file__).resolve().parents[2]))


@pytest.fixture
def first3d(tmp_path):
    """The hand-written example of the input guide, copied where a run may write beside it."""
    deck = tmp_path / "first3d.dat"
    shutil.copy(SOURCE / "examples" / "first3d.dat", deck)
    return deck


@pytest.fixture
def cli():
    path = os.environ.get("STILT_CLI")
    if not path:
        pytest.skip("STILT_CLI is not set: the stilt command to compare with is unknown")
    return path
