#include "workspace/ProxyStyle.h"

ProxyStyle::ProxyStyle(QStyle* base) : QProxyStyle(base) {}
