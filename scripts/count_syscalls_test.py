#!/usr/bin/env python3
"""Tests of how count_syscalls.py attributes the lines of an `strace -f` file to processes."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import count_syscalls  # noqa: E402

THREAD = ("clone3({flags=CLONE_VM|CLONE_FS|CLONE_FILES|CLONE_SIGHAND|CLONE_THREAD|CLONE_SYSVSEM"
          "|CLONE_SETTLS|CLONE_PARENT_SETTID|CLONE_CHILD_CLEARTID, child_tid=0x191f990, "
          "parent_tid=0x191f990, exit_signal=0, stack=0x1620000, stack_size=0x2fef80, "
          "tls=0x191f6c0}")
FORK = "clone(child_stack=NULL, flags=CLONE_CHILD_CLEARTID|CLONE_CHILD_SETTID|SIGCHLD"


def processes(lines, idle=False):
    trace = count_syscalls.Trace()
    for line in lines:
        trace.feed(line)
    return {name: [(idle_calls if idle else calls, threads)
                   for calls, threads, _, idle_calls in runs]
            for name, runs in trace.processes().items()}


class Attribution(unittest.TestCase):
    def test_a_process_started_through_an_intermediate_fork_keeps_its_threads(self):
        # The parent forks twice (the first child exits at once); the grandchild names itself,
        # starts a thread whose own lines come before the call that made it returns, and that
        # thread starts another.
        got = processes([
            '100 prctl(PR_SET_NAME, "lookup_bench.ex"...) = 0',
            f"100 {FORK} <unfinished ...>",
            "100 <... clone resumed>, child_tidptr=0x7f8) = 101",
            f"101 {FORK}, child_tidptr=0x7f8) = 102",
            "101 exit_group(0)                     = ?",
            '102 prctl(PR_SET_NAME, "QuendixInternet"...) = 0',
            f"102 {THREAD} <unfinished ...>",
            "103 read(5, \"\\0\\0\", 64)            = 64",
            "102 <... clone3 resumed> => {parent_tid=[103]}, 88) = 103",
            f"103 {THREAD} => {{parent_tid=[104]}}, 88) = 104",
            "104 write(6, \"\\1\", 1)               = 1",
            "104 rt_sigprocmask(SIG_SETMASK, [], NULL, 8) = 0",
            "100 read(3, \"\", 16)                 = 0",
        ])
        self.assertEqual(got["QuendixInternet"], [(6, 3)])
        self.assertEqual(got["lookup_bench.ex"], [(3, 1)])
        self.assertEqual(got["?"], [(2, 1)])  # the intermediate child

    def test_a_call_counts_once_and_signals_count_not(self):
        got = processes([
            '7 prctl(PR_SET_NAME, "bench_floor_loo"...) = 0',
            "7 ppoll([{fd=4, events=POLLIN}], 1, NULL, NULL, 8 <unfinished ...>",
            "7 <... ppoll resumed>)              = 1 ([{fd=4, revents=POLLIN}])",
            "7 --- SIGUSR1 {si_signo=SIGUSR1, si_code=SI_TKILL, si_pid=9, si_uid=0} ---",
            "7 rt_sigreturn({mask=[]})           = 0",
            "7 exit_group(0)                     = ?",
        ])
        self.assertEqual(got["bench_floor_loo"], [(4, 1)])

    def test_a_failed_clone_starts_nothing(self):
        got = processes([
            '1 prctl(PR_SET_NAME, "QuendixInternet"...) = 0',
            f"1 {THREAD} = -1 EAGAIN (Resource temporarily unavailable)",
            "2 read(5, \"\", 64)                   = 0",
        ])
        self.assertEqual(got["QuendixInternet"], [(2, 1)])
        self.assertEqual(got["?"], [(1, 1)])

    def test_idle_calls_are_those_between_the_bench_marks(self):
        lines = [
            '5 prctl(PR_SET_NAME, "QuendixInternet"...) = 0',
            '6 prctl(PR_SET_NAME, "lookup_bench.ex"...) = 0',
            "5 read(6,  <unfinished ...>",  # begun before the idle time: not idle
            '6 newfstatat(AT_FDCWD, "/p/dosdevices/c:/lookup-bench-idle-begin", 0x1, 0) = -1 '
            "ENOENT (No such file or directory)",
            '5 <... read resumed>"\\f", 16) = 16',
            "5 rt_sigprocmask(SIG_BLOCK, [HUP INT], [], 8) = 0",
            "5 write(3, \"r\\0\", 64) = 64",
            '6 newfstatat(AT_FDCWD, "/p/dosdevices/c:/lookup-bench-idle-end", 0x1, 0) = -1 '
            "ENOENT (No such file or directory)",
            "5 close(9) = 0",
        ]
        self.assertEqual(processes(lines, idle=True)["QuendixInternet"], [(2, 1)])
        self.assertEqual(processes(lines)["QuendixInternet"], [(5, 1)])
        # The bench's own marks count as its calls, the first one inside the idle time.
        self.assertEqual(processes(lines, idle=True)["lookup_bench.ex"], [(1, 1)])


if __name__ == "__main__":
    unittest.main()
