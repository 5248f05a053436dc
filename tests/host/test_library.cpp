// A library for the binding tests; the counter shows whether two bindings reach one loaded copy.
extern "C" {

__attribute__((visibility("default"))) int TestAdd(int a, int b) { return a + b; }

static int g_calls = 0;
__attribute__((visibility("default"))) int TestNextCall() { return ++g_calls; }
}
