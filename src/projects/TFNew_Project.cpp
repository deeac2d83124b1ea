#include "projects/TFNew_Project.h"
