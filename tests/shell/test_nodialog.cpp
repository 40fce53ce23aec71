// A library in the dialog library's place that lacks the message-box entry.
extern "C" __attribute__((visibility("default"))) int TestNotADialog() { return 1; }
