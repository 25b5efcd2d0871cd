# (filled by the desktop work)
