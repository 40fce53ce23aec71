// The run-time class of the framework's test dataset, once per test executable.
#include "platform/classes/component.h"
#include "platform/db/testdataset.h"

FANO_IMPLEMENT_COMPONENT(TTestDataSet, TDataSet)
