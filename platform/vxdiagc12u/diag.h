// Diagnostic records.
#pragma once
