#include "cutPageBase.h"

TCutPageBase::TCutPageBase(QWidget* parent) : QWidget(parent) {}

TCutPageBase::~TCutPageBase() = default;
