/* Preloaded in the sanitizer pass: libraries stay mapped to the end of the process, so
   that the leak check at exit can name the plugin or driver an allocation came from
   (a module unloaded by then shows as "<unknown module>", which no suppression matches). */
int dlclose(void* handle)
{
    (void)handle;
    return 0;
}
