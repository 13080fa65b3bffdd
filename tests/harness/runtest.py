"""Runs the unittest cases of one test script for CTest.

    python3 runtest.py SCRIPT.py

Every skip is printed with its reason. The exit code is 0 when every case passed, 1 on a
failure or an error (or when the script holds no case), and SKIP_EXIT_CODE when all that ran
passed but some cases were skipped: CTest then reports the test as skipped, not passed.
"""
import importlib.util
import os
import sys
import unittest

SKIP_EXIT_CODE = 77


def main():
    script = os.path.abspath(sys.argv[1])
    # The script's own folder holds its helper modules.
    sys.path.insert(0, os.path.dirname(script))
    name = os.path.splitext(os.path.basename(script))[0]
    spec = importlib.util.spec_from_file_location(name, script)
    module = importlib.util.module_from_spec(spec)
    sys.modules[name] = module
    spec.loader.exec_module(module)
    suite = unittest.defaultTestLoader.loadTestsFromModule(module)
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    for test, reason in result.skipped:
        print(f"SKIPPED {test.id()}: {reason}", flush=True)
    if not result.wasSuccessful() or result.testsRun == 0:
        return 1
    return SKIP_EXIT_CODE if result.skipped else 0


if __name__ == "__main__":
    sys.exit(main())
