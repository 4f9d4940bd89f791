# ASAN_OPTIONS for every run of the fuzzers: the short ones ctest makes and
# the long ones of tests/evidence.
#
# ASan records a stack for every malloc and free with its fast unwinder, which
# follows frame pointers. Debian's Qt, SQLite and libstdc++ keep none, so past
# the allocating function's caller a recorded stack is whatever lies on the
# stack just then, and nearly every execution adds new ones to the sanitizer's
# stack depot, which is never freed: fuzz_sqltext held 4.3 million stacks
# (234 MB) after 40,000 executions and would pass libFuzzer's 2 GB RSS limit
# after about 300,000. The two frames kept here, the allocator and its caller,
# are exact and few. For a failing input's whole allocation and free stacks,
# run that input alone with ASAN_OPTIONS=malloc_context_size=30.
set(WARDCHECK_FUZZ_ASAN_OPTIONS "malloc_context_size=2")
