"""The Dask example (examples/python/port_matrix.py) on a LocalCluster of two
workers against the module called directly: the sea-distance matrix of the
first ports and a table of random pairs, figure for figure."""
import os
import runpy

import dask.distributed  # noqa: F401 (installed with the module's tests: never skipped)
import numpy as np
import pytest

import sailings

SOURCE = os.environ.get("SAILINGS_SOURCE", os.path.join(os.path.dirname(__file__), "..", ".."))


@pytest.fixture(scope="module")
def example():
    example = runpy.run_path(os.path.join(SOURCE, "examples", "python", "port_matrix.py"))
    return example["main"](["--ports", "5", "--pairs", "2000"])


def test_the_sea_matrix_as_the_module_gives_it(example):
    names, lat, lon, sea, _, _ = example
    direct = sailings.sea_distance(lat[:, None], lon[:, None], lat[None, :], lon[None, :])
    assert sea.shape == (5, 5) and np.isnan(np.diag(sea)).all()
    off = ~np.eye(5, dtype=bool)
    assert np.array_equal(sea[off], direct.distance_nm[off]) and (direct.status[off] == 0).all()


def test_the_table_as_the_module_gives_it(example):
    *_, table, od = example
    direct = sailings.great_ellipse(table.lat1, table.lon1, table.lat2, table.lon2)
    assert len(od) == 2000
    assert np.array_equal(od.sort_index().distance_nm.to_numpy(), direct.distance_nm)
    assert (od.status == 0).all()
