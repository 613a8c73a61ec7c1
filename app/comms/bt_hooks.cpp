#include "bt_hooks.h"

namespace {
const int kDeviceNotOpen = -1006;
}

int bt_available()
{
    return 0;
}

int bt_connect_pan(vuUI *, conn_record *)
{
    return kDeviceNotOpen;
}

int bt_connect_spp(vuUI *, conn_record *)
{
    return kDeviceNotOpen;
}

int bt_close(int value)
{
    return value;
}

int bt_init(vuUI *)
{
    return kDeviceNotOpen;
}

int bt_spp_connected()
{
    return 0;
}

int bt_com_open()
{
    return kDeviceNotOpen;
}

int bt_com_close()
{
    return 0;
}

int bt_com_fd()
{
    return -1;
}
