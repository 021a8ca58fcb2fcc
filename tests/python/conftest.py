import json
import os

import pytest


@pytest.fixture
def scenario(tmp_path):
    """Writes a scenario file from a dict and returns its path."""
    def write(document, name="scenario.json"):
        path = tmp_path / name
        path.write_text(json.dumps(document))
        return str(path)
    return write


@pytest.fixture
def kelvran_program():
    return os.environ["KELVRAN_PROGRAM"]
