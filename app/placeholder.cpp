void quorvelAppPlaceholder() {}
