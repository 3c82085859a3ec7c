// Registers the components this suite ships under their registered names.
