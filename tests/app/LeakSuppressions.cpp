// Allocations the PDF viewer makes inside Qt and never frees: the gesture
// recogniser its scroller registers for the process, and the render thread
// object of its page renderer. Read by LeakSanitizer in sanitizer builds.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:QScroller::grabGesture\n"
           "leak:QPdfPageRenderer::setRenderMode\n";
}
