// The tag objects that start-up creates and the tabs share.
#pragma once

#include "tags/id3v1/id3.h"
#include "tags/id3v2/id3v2.h"

extern Tid3tag SharedTagV1;
extern Tid3tag FileEditTagV1;
extern Tid3v2tag SharedTagV2;
extern Tid3v2tag FileEditTagV2;
