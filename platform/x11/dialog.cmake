# (filled by the dialog work)
