// The LP-format reader (to come).
