// The module is made of the plugin libraries only.
