#include "platform/rtl/exceptions.h"

void Abort() { throw EAbort(); }
