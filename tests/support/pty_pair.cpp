// Kept while the window tests still list it; PtyPair lives in its header.
#include "support/pty_pair.h"
