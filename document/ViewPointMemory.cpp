#include "ViewPointMemory.h"

Memory_base::Memory_base(QObject* parent) : QObject(parent) {}

Memory_base::~Memory_base() = default;

ViewPointMemory::ViewPointMemory(QObject* parent) : Memory<ViewPointRef>(parent) {}

ViewPointMemory::~ViewPointMemory() = default;
