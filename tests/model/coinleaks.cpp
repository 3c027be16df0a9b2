// The model tests compare our readers with CoinMpsIO and CoinLpIO, which may
// return from a malformed file without freeing their work arrays: that
// memory is the library's to lose, not a fault of ours.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_suppressions() { return "leak:libCoinUtils.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
#endif
