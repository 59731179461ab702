@echo off
echo Hello from the Mivora demo
