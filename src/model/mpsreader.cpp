// The MPS reader (to come).
