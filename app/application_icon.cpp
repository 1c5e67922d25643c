#include "app/application_icon.h"

#include "app/framework/application.h"
#include "res/resource_ids.h"

HICON LoadApplicationIcon(int widthMetric, int heightMetric) {
    return static_cast<HICON>(LoadImageA(CurrentApplication().Instance(), MAKEINTRESOURCEA(IDI_APPLICATION_ICON),
                                         IMAGE_ICON, GetSystemMetrics(widthMetric),
                                         GetSystemMetrics(heightMetric), LR_DEFAULTCOLOR));
}
