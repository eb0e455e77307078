// Sanitizer defaults for the dialog tests, so that they also pass when run on
// their own, outside scripts/test.sh.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
// Qt's libraries are built without frame pointers, so the fast unwinder stops
// inside them and loses the frames that name the offscreen platform plugin,
// whose leak at exit the project's suppressions cover. Unwind fully instead.
extern "C" const char *__asan_default_options()
{
    return "fast_unwind_on_malloc=0";
}

extern "C" const char *__lsan_default_options()
{
    return "suppressions=" RAVENET_LSAN_SUPPRESSIONS;
}
#endif
#endif
