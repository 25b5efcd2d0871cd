# bench_poll: one poll tick of the input translation on the emulated handheld.
tastra_benchmark(bench_poll bench_poll.cpp)
