// Placeholder: keeps px_rules non-empty until the text rules land.
int PxRulesAnchor() { return 0; }
