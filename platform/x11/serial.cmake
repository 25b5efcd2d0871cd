# (filled by the serial work)
