// A configuration plan for many devices at once, in one include: reading the
// plan (configure_plan_reader.h), checking it against the found devices and
// verifying the written ones (configure_plan_checks.h), and the report
// (configure_report.h). The rules of a row's values are in
// configure_plan_rules.h, for those files alone.
#pragma once

#include "core/configure_plan_checks.h"
#include "core/configure_plan_reader.h"
#include "core/configure_report.h"
