"""The process tree of a benchmarked program, read from /proc."""
import os


def read(path):
    try:
        with open(path) as f:
            return f.read()
    except OSError:
        return ""


def tree(root):
    """root and all its descendants that are still there."""
    pids, todo = set(), [root]
    while todo:
        pid = todo.pop()
        pids.add(pid)
        try:
            tasks = os.listdir(f"/proc/{pid}/task")
        except OSError:
            continue
        for task in tasks:
            todo += [int(c) for c in read(f"/proc/{pid}/task/{task}/children").split() if int(c) not in pids]
    return pids
