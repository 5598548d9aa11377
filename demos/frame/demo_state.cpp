#include "demos/frame/demo_state.h"

DemoState gDemoState;
