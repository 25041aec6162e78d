// The companion program that starts Tidewell at login. It has nothing to do yet.
int main()
{
    return 0;
}
