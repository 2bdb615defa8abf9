// File readers and writers.
