#pragma once

#include "base/Twips.h"
