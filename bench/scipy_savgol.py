"""scipy's Savitzky-Golay filter and its full coefficient table, timed on the benchmark's data.

Usage: scipy_savgol.py SAMPLES_FILE WIDTH,ORDER,DERIVATIVE ...
The file holds float32 samples of one run. Prints one line per measurement:
  filter W O D SECONDS    savgol_filter(x, W, O, D, mode='interp') over the whole run, in float64
  table W O D SECONDS     savgol_coeffs for every position of the window
  blas TEXT               the BLAS that numpy and scipy run, where threadpoolctl can tell
"""
import sys
import time

import numpy as np
import scipy
from scipy.signal import savgol_coeffs, savgol_filter


def best_of(repeats, action):
    """Processor time of the whole process, as the benchmark times its own: other programs on a
    shared machine add nothing to it, and threads of the BLAS, if any, count."""
    best = float("inf")
    for _ in range(repeats):
        start = time.process_time()
        action()
        best = min(best, time.process_time() - start)
    return best


def main():
    x = np.fromfile(sys.argv[1], dtype=np.float32).astype(np.float64)
    print(f"version scipy {scipy.__version__} numpy {np.__version__}")
    try:
        from threadpoolctl import threadpool_info
        for pool in threadpool_info():
            print(f"blas {pool.get('internal_api')} {pool.get('version')} "
                  f"architecture {pool.get('architecture')} threads {pool.get('num_threads')}")
    except ImportError:
        print("blas unknown (no threadpoolctl)")
    for shape in sys.argv[2:]:
        width, order, deriv = (int(v) for v in shape.split(","))
        seconds = best_of(3, lambda: savgol_filter(x, width, order, deriv, mode="interp"))
        print(f"filter {width} {order} {deriv} {seconds:.9f}")
        seconds = best_of(5, lambda: [savgol_coeffs(width, order, deriv, pos=p, use="dot")
                                      for p in range(width)])
        print(f"table {width} {order} {deriv} {seconds:.9f}")


main()
