#include "tray/routed_object.h"

// RoutedObject has no code of its own; this file gives its meta-object a home.
